#!/usr/bin/env bash
# Installs libjrl into a scratch prefix with `cmake --install`, then builds
# and runs a separate project against it through find_package(jrl), and runs
# the installed jrl tool.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

jobs=${JRL_JOBS:-2}
work=${JRL_CONSUMER_DIR:-$root/build/consumer}
build=$work/lib
prefix=$work/prefix
app=$work/app
rm -rf "$prefix" "$app"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DJRL_BUILD_TESTS=OFF -DJRL_BUILD_PYTHON=OFF >/dev/null
cmake --build "$build" -j "$jobs"
cmake --install "$build" --prefix "$prefix" >/dev/null

cmake -S tests/consumer -B "$app" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$app" -j "$jobs"

expected='0.1.6
{"version":"0.1.6","requirements":[{"query":{"quantity":{"Single":1},"type":"Select","selector":[{"Class":{"department_id":"MATH","course_number":1200,"lab":false}}]},"description":"Calculus","priority":1}]}
failed parsing quantity

Caused by:
     --> consumer.jrl:1:8
      |
    1 | SELECT 0 FROM CLASS(MATH 1200) : "Calculus";
      |        ^
      |
      = cannot select zero'
actual=$("$app/jrl_consumer")
if [ "$actual" != "$expected" ]; then
  echo "consumer: unexpected output" >&2
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  exit 1
fi

version=$("$prefix/bin/jrl" --version)
if [ "$version" != "jrl 0.1.6" ]; then
  echo "consumer: installed jrl reports '$version'" >&2
  exit 1
fi
echo "consumer: ok"
