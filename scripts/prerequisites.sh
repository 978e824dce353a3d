#!/usr/bin/env bash
# Installs what building the package needs on Debian (and Ubuntu) when it is
# missing: a C++23 compiler (g++ 12 or newer), CMake and Ninja, nlohmann-json
# (the catalogue reader's JSON library), and CPython's
# headers and venv module, plus any packages named as arguments. As root it
# installs them with apt-get; as anyone else it names the missing ones and
# fails. Elsewhere it does nothing: install the same with the system's tools.
set -euo pipefail

command -v dpkg >/dev/null 2>&1 || exit 0
packages=(g++ cmake ninja-build python3-dev python3-venv nlohmann-json3-dev "$@")
# The jrl tool reads its configuration file (jrl.toml) with toml++.
packages+=(libtomlplusplus-dev)
missing=()
for pkg in "${packages[@]}"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "prerequisites: missing Debian packages: ${missing[*]}" >&2
  echo "prerequisites: install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "prerequisites: installing ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
