#!/usr/bin/env bash
# Transport benchmark: TPOPx/TSMTPx against poplib/smtplib on local Dovecot and Postfix, with ratios.
# Builds the transport library in BUILD_DIR (default build/), compiles bench_transport against it and
# runs it as root (the servers need it). A ratio below 1.0 means faster than Python.
# Usage: bench/transport/run.sh [BUILD_DIR] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-3}
cmake --build "$build" -j2 --target velnaro_transport >/dev/null
out="$build/bench"
mkdir -p "$out"
g++ -std=c++17 -O2 -fPIC -DVELNARO_BUILD_DIR="\"$build\"" \
  -I"$root/src/transport" -I"$root/src/runtime" -I"$root/src/message" -I"$root/src/encoding" -I"$root/tests/transport" \
  $(pkg-config --cflags Qt6Network) \
  "$here/bench_transport.cpp" "$root/tests/transport/MailServers.cpp" "$root/tests/transport/TestCertificates.cpp" \
  "$build/src/transport/libvelnaro_transport.a" "$build/src/transport/libvelnaro_transport_core.a" \
  "$build/src/message/libvelnaro_message.a" "$build/src/encoding/libvelnaro_encoding.a" \
  "$build/src/runtime/libvelnaro_runtime.a" \
  $(pkg-config --libs Qt6Network) -o "$out/bench_transport"
exec "$out/bench_transport" "$here/peer.py" "$runs"
