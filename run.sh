#!/usr/bin/env bash
# Installs what the program needs, builds it in build/ and starts it.
set -euo pipefail
cd "$(dirname "$0")"
tools/ensure-packages.sh tools/packages/build.txt
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELNARO_TESTS=OFF
cmake --build build -j"$(nproc)" --target velnaro
exec build/velnaro "$@"
