#!/usr/bin/env bash
# The robustness checks: the C++ suite under AddressSanitizer and
# UndefinedBehaviorSanitizer and again with libstdc++'s assertions, the
# threads stress test under ThreadSanitizer, a short fuzzing run that also
# replays the kept corpus, and part of the Python suite under valgrind
# memcheck. Each step fails the script on its first error.
#
#   ROBUSTNESS_FUZZ_SECONDS  seconds of fuzzing per target (default 30)
#   JRL_JOBS                 parallel build jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JRL_JOBS:-2}
fuzz_seconds=${ROBUSTNESS_FUZZ_SECONDS:-30}
. scripts/apt_install.sh

need_apt=()
command -v valgrind >/dev/null 2>&1 || need_apt+=(valgrind)
command -v clang++-19 >/dev/null 2>&1 || need_apt+=(clang-19 libclang-rt-19-dev)
apt_install test_robustness "${need_apt[@]}"

# configure_and_build DIR TARGET CMAKE-ARGS...
configure_and_build() {
  local dir=$1 target=$2
  shift 2
  cmake -S . -B "$dir" -G Ninja -DJRL_BUILD_TESTS=ON -DJRL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs" --target "$target"
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

echo "== C++ suite, AddressSanitizer + UndefinedBehaviorSanitizer"
configure_and_build "$root/build/asan" all \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJRL_SANITIZE=address,undefined
ctest --test-dir "$root/build/asan" --output-on-failure -j "$jobs"

echo "== C++ suite, libstdc++ assertions"
configure_and_build "$root/build/assertions" all \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS=-D_GLIBCXX_ASSERTIONS
ctest --test-dir "$root/build/assertions" --output-on-failure -j "$jobs"

echo "== threads, ThreadSanitizer"
configure_and_build "$root/build/tsan" jrl_tests \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJRL_SANITIZE=thread
cmake --build "$root/build/tsan" -j "$jobs" --target jrl_cli
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1}
"$root/build/tsan/tests/cpp/jrl_tests" \
  --gtest_filter='ThreadStress*:*ConcurrentFirstUse*'
# jrl check renders each file's report on its worker threads: every format
# over a few hundred files, good, failing and not UTF-8. Exit 1 (errors
# found) is expected; a race report exits otherwise.
for format in text sarif json github; do
  rc=0
  "$root/build/tsan/tools/jrl/jrl" check --jobs=4 --color=always \
    --format=$format examples fuzz/corpus/parse_bytes/* \
    >/dev/null 2>&1 || rc=$?
  if [ "$rc" -gt 1 ]; then
    echo "test_robustness: jrl check --jobs=4 --format=$format under ThreadSanitizer: exit $rc" >&2
    exit 1
  fi
done
echo "jrl check --jobs=4 in four formats: no race"

echo "== fuzzing, $fuzz_seconds s per target"
FUZZ_SECONDS=$fuzz_seconds FUZZ_JOBS=$jobs bash fuzz/run.sh

echo "== Python suite under valgrind memcheck"
work=$root/build/valgrind
rm -rf "$work/venv" "$work/dist"
python3 -m venv "$work/venv"
"$work/venv/bin/python" -m pip install -q --upgrade pip
# With debug information, so that any report names the project's frames.
CMAKE_BUILD_PARALLEL_LEVEL=$jobs "$work/venv/bin/python" -m pip wheel -q --no-deps \
  -w "$work/dist" --config-settings=cmake.build-type=RelWithDebInfo .
"$work/venv/bin/python" -m pip install -q "$work"/dist/pylibjrl-*.whl pytest hypothesis
# From outside the source tree, so that only the installed wheel is seen.
(cd "$work" && JRL_PROPERTY_EXAMPLES=25 PYTHONMALLOC=malloc valgrind -q \
  --leak-check=full --errors-for-leak-kinds=definite --show-leak-kinds=definite \
  --error-exitcode=1 --suppressions="$root/scripts/valgrind-python.supp" \
  "$work/venv/bin/python" -m pytest -q -p no:cacheprovider \
  "$root/tests/python/test_module.py" "$root/tests/python/test_results.py" \
  "$root/tests/python/test_record_lifetime.py" \
  "$root/tests/python/test_properties.py")

echo "test_robustness: all checks passed"
