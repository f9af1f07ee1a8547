#!/usr/bin/env bash
# Installs what the tests need, builds, and runs the whole suite with ctest:
#   build/      the program and every test (gcc)
#   build-san/  the Qt-free libraries, their tests and the fuzzers (clang,
#               AddressSanitizer + UndefinedBehaviorSanitizer)
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
tools/ensure-packages.sh tools/packages/build.txt tools/packages/test.txt
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELNARO_TESTS=ON -DVELNARO_QT=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure --no-tests=error -j"$jobs" --timeout 600)

CC=clang CXX=clang++ cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVELNARO_TESTS=ON -DVELNARO_QT=OFF -DVELNARO_SANITIZE=ON -DVELNARO_FUZZ=ON
cmake --build build-san -j"$jobs"
(cd build-san && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure --no-tests=error -j"$jobs" --timeout 600)
echo "test.sh: all passed"
