#!/usr/bin/env bash
# Installs what a fresh machine lacks to build and test libjrl. Idempotent:
# packages already present are not fetched again.
set -euo pipefail

# clang-19 builds the libFuzzer targets (clang 14 cannot read libstdc++ 12).
# Neovim runs the tests of the Vim highlighting files.
apt_packages=(libgtest-dev g++ valgrind clang-19 libclang-rt-19-dev neovim)
missing=()
for pkg in "${apt_packages[@]}"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing Debian packages: ${missing[*]} (run as root to install)" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

python3 -m pip --version >/dev/null
need_pip=()
command -v cmake >/dev/null 2>&1 || need_pip+=(cmake)
command -v ninja >/dev/null 2>&1 || need_pip+=(ninja)
if [ ${#need_pip[@]} -gt 0 ]; then
  python3 -m pip install -q "${need_pip[@]}"
fi
