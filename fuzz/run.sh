#!/usr/bin/env bash
# Builds the fuzz targets, replays the kept corpus, then fuzzes each target
# for FUZZ_SECONDS (default 60) on one core. New inputs that add coverage are
# left in the working corpus under the build directory; crashes go to its
# artifacts/ folder and fail the run.
#
#   FUZZ_SECONDS=600 fuzz/run.sh          # longer runs
#   FUZZ_SECONDS=0 fuzz/run.sh            # build and replay only
#   FUZZ_BUILD_DIR=/tmp/f fuzz/run.sh     # another build directory
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD_DIR:-$root/build/h-fuzz}
cxx=${FUZZ_CXX:-}
if [ -z "$cxx" ]; then
  for candidate in clang++-19 clang++-18 clang++-17 clang++-16 clang++; do
    if command -v "$candidate" >/dev/null 2>&1; then cxx=$candidate; break; fi
  done
fi
if [ -z "$cxx" ]; then
  echo "fuzz: no clang++ found (apt-get install clang-19 libclang-rt-19-dev)" >&2
  exit 1
fi

CXX=$cxx cmake -S fuzz -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "${FUZZ_JOBS:-2}"

targets=(parse_bytes structured format)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

echo "== replaying the kept corpus"
for target in "${targets[@]}"; do
  # With file arguments libFuzzer runs each input once and stops.
  files=(fuzz/corpus/"$target"/*)
  if [ -e "${files[0]}" ]; then
    "$build/${target}_fuzzer" "${files[@]}" 2>"$build/replay_$target.log" ||
      { cat "$build/replay_$target.log" >&2; echo "fuzz: replay of $target failed" >&2; exit 1; }
    echo "$target: ${#files[@]} inputs replayed"
  fi
done

[ "$seconds" -gt 0 ] || exit 0

mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
  work=$build/corpus/$target
  mkdir -p "$work"
  cp -n fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true
  seeds=()
  if [ "$target" = parse_bytes ]; then
    # Seeds: the example files and the test inputs.
    seeds=(examples tests/data)
  fi
  echo "== fuzzing $target for $seconds s"
  "$build/${target}_fuzzer" "$work" "${seeds[@]}" \
    -dict=fuzz/jrl.dict -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/${target}-" \
    >"$build/fuzz_$target.log" 2>&1 ||
    { tail -n 60 "$build/fuzz_$target.log" >&2; echo "fuzz: $target found a failure, see $build/artifacts" >&2; exit 1; }
  grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$build/fuzz_$target.log" | tail -n 2
done
echo "fuzz: no failures"
