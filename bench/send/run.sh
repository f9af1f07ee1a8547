#!/usr/bin/env bash
# Send benchmark: a message with a 20 MB attachment through the send flow (compose included) against
# Python's email package and smtplib, both to the same local Postfix; ratio below 1.0 = faster than Python.
# Also reports the longest gap of the event loop (10 ms timer) while the flow composes and sends.
# Builds the flow library in BUILD_DIR (default build/), compiles bench_send against it and runs it as
# root (the servers need it).
# Usage: bench/send/run.sh [BUILD_DIR] [RUNS] [MB]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-3}
mb=${3:-20}
cmake --build "$build" -j2 --target velnaro_flows >/dev/null
out="$build/bench"
mkdir -p "$out"
libs=""
for l in flows/libvelnaro_flows reach/libvelnaro_reach transport/libvelnaro_transport \
    transport/libvelnaro_transport_core reach/libvelnaro_reach_core addressbook/libvelnaro_addressbook_core \
    settings/libvelnaro_settings_core message/libvelnaro_message encoding/libvelnaro_encoding \
    runtime/libvelnaro_runtime; do
  libs="$libs $build/src/$l.a"
done
incs=""
for d in flows transport reach message runtime encoding settings addressbook; do incs="$incs -I$root/src/$d"; done
g++ -std=c++17 -O2 -fPIC -DVELNARO_BUILD_DIR="\"$build\"" $incs -I"$root/tests/transport" \
  $(pkg-config --cflags Qt6Network) \
  "$here/bench_send.cpp" "$root/tests/transport/MailServers.cpp" "$root/tests/transport/TestCertificates.cpp" $libs \
  $(pkg-config --libs Qt6Network) -pthread -o "$out/bench_send"
exec "$out/bench_send" "$here/peer.py" "$runs" "$mb"
