#!/usr/bin/env bash
# Builds the one abi3 wheel of pylibjrl from a fresh sdist, checks that it
# really uses only the stable ABI, then installs it into a fresh virtual
# environment of the oldest, the default and the newest supported CPython and
# runs the Python test suite in each.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
work=$root/build/python
dist=$root/dist
base_python=${PYTHON:-python3}
versions=(3.9 3.11 3.13)
# The interpreter whose environment also runs the stub check with mypy.
mypy_version=3.11

# The newest installed patch release of CPython X.Y: pyenv's, else PATH's.
find_python() {
  local candidate
  candidate=$(ls -d /root/.pyenv/versions/"$1".*/bin/python 2>/dev/null | sort -V | tail -n 1 || true)
  if [ -z "$candidate" ]; then
    candidate=$(command -v "python$1" || true)
  fi
  [ -n "$candidate" ] || { echo "test_python: no CPython $1 found" >&2; return 1; }
  echo "$candidate"
}

fresh_venv() {
  rm -rf "$2"
  "$1" -m venv "$2"
  "$2/bin/python" -m pip install -q --upgrade pip
}

mkdir -p "$work" "$dist"
rm -f "$dist"/pylibjrl-*

echo "== tools: build, abi3audit"
fresh_venv "$base_python" "$work/tools"
"$work/tools/bin/python" -m pip install -q build abi3audit

echo "== sdist, then the wheel built from it"
"$work/tools/bin/python" -m build --sdist --outdir "$dist" .
sdist=$(ls "$dist"/pylibjrl-*.tar.gz)
"$work/tools/bin/python" -m pip wheel --no-deps -w "$dist" "$sdist"
wheels=("$dist"/pylibjrl-*-cp39-abi3-*.whl)
if [ ${#wheels[@]} -ne 1 ] || [ ! -f "${wheels[0]}" ]; then
  echo "test_python: expected one cp39-abi3 wheel in $dist" >&2
  ls "$dist" >&2
  exit 1
fi
wheel=${wheels[0]}
echo "built $(basename "$wheel")"
# abi3audit passes a wheel without an extension module, so check for it.
if ! "$work/tools/bin/python" -c 'import sys, zipfile
sys.exit("pylibjrl.abi3.so" not in zipfile.ZipFile(sys.argv[1]).namelist())' "$wheel"; then
  echo "test_python: $(basename "$wheel") holds no pylibjrl.abi3.so" >&2
  exit 1
fi

echo "== abi3audit"
"$work/tools/bin/abi3audit" --strict --verbose "$wheel"

for version in "${versions[@]}"; do
  python=$(find_python "$version")
  venv=$work/venv-$version
  echo "== CPython $version ($python)"
  fresh_venv "$python" "$venv"
  extra=()
  [ "$version" = "$mypy_version" ] && extra+=(mypy)
  # Pygments runs the lexer; onigurumacffi is the regular expression engine
  # of the editors, for the TextMate grammar's tests.
  "$venv/bin/python" -m pip install -q "$wheel" pytest hypothesis \
    "pygments>=2.12" "onigurumacffi>=1.4" "${extra[@]}"
  # From outside the source tree, so that only the installed wheel is seen.
  # The wheel installs the jrl tool beside the interpreter; its tests must
  # find it there rather than skip.
  [ -x "$venv/bin/jrl" ] || { echo "test_python: the wheel did not install jrl" >&2; exit 1; }
  (cd "$work" && JRL_CLI="$venv/bin/jrl" "$venv/bin/python" -m pytest -q -p no:cacheprovider "$root/tests/python")
done
