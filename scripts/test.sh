#!/usr/bin/env bash
# Sets up a machine and runs every test of the project: the C++ suite (built
# with g++ and with clang), a C++ consumer of the installed package, the
# Python suite against the built wheel on the oldest, default and newest
# supported CPython, the VS Code extension, then the robustness checks
# (sanitizers, fuzzing, valgrind).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/prerequisites.sh
bash scripts/setup.sh

jobs=${JRL_JOBS:-2}
build=$root/build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DJRL_WERROR=ON -DJRL_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs"

# The library, the CLI and the C++ suite with the other supported compiler.
clang_build=$root/build/test-clang
cmake -S . -B "$clang_build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-19 \
  -DCMAKE_BUILD_TYPE=Release -DJRL_WERROR=ON -DJRL_BUILD_TESTS=ON >/dev/null
cmake --build "$clang_build" -j "$jobs"
ctest --test-dir "$clang_build" --output-on-failure -j "$jobs"

# A C++ project consuming the installed package through find_package(jrl).
bash scripts/test_consumer.sh

bash scripts/test_python.sh

# The VS Code extension, with the language server of one of those environments.
JRL_LSP=$root/build/python/venv-3.11/bin/jrl-lsp bash scripts/test_vscode.sh

# Sanitizers, assertions, threads, fuzzing and valgrind.
bash scripts/test_robustness.sh
