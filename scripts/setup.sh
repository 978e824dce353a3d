#!/usr/bin/env bash
# Installs what a fresh machine lacks to build and test libjrl. Idempotent:
# packages already present are not fetched again.
set -euo pipefail
. "$(dirname "$0")/apt_install.sh"

# clang-19 builds the libFuzzer targets (clang 14 cannot read libstdc++ 12).
# Neovim runs the tests of the Vim highlighting files.
apt_packages=(libgtest-dev nlohmann-json3-dev g++ valgrind clang-19 libclang-rt-19-dev neovim)
# The jrl tool reads its configuration file (jrl.toml) with toml++.
apt_packages+=(libtomlplusplus-dev)
missing=()
for pkg in "${apt_packages[@]}"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done
apt_install setup "${missing[@]}"

python3 -m pip --version >/dev/null
need_pip=()
command -v cmake >/dev/null 2>&1 || need_pip+=(cmake)
command -v ninja >/dev/null 2>&1 || need_pip+=(ninja)
if [ ${#need_pip[@]} -gt 0 ]; then
  python3 -m pip install -q "${need_pip[@]}"
fi
