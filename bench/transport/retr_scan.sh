#!/usr/bin/env bash
# Check and benchmark of the POP3 engine on a 100 MB RETR reply: prints the
# time and the bytes scanned, and fails when scanning is not linear (more than
# one look per byte plus a few per piece) or takes more than a minute.
# Usage: bench/transport/retr_scan.sh [BUILD_DIR]   (builds the engine library there)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cmake --build "$build" -j2 --target velnaro_transport_core >/dev/null
out="$build/bench"
mkdir -p "$out"
g++ -std=c++17 -O2 -I"$root/src/transport" -I"$root/src/runtime" -I"$root/src/message" -I"$root/src/encoding" \
  -I"$root/tests/transport" "$here/retr_scan.cpp" \
  "$build/src/transport/libvelnaro_transport_core.a" "$build/src/message/libvelnaro_message.a" \
  "$build/src/encoding/libvelnaro_encoding.a" "$build/src/runtime/libvelnaro_runtime.a" -o "$out/retr_scan"
exec "$out/retr_scan"
