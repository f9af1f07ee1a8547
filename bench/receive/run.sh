#!/usr/bin/env bash
# Receive benchmark, side by side in one run against the same local Dovecot:
# - header-only listing of 10,000 messages and whole-message listing of 1,000 x 20 KB through the receive
#   flow against Python's poplib doing the same LIST and TOP n 0 / RETR n sequence;
# - heap growth per listed message beyond its header bytes;
# - the longest gap of the event loop (10 ms timer) while the real window lists 10,000 messages offscreen;
# - reading a 30 MB message in whole-message mode in the window against velnaro-msg on the same file.
# Ratios below 1.0 mean faster than the peer. Builds the libraries in BUILD_DIR (default build/), compiles
# bench_receive against them and runs it as root (Dovecot needs it).
# Usage: bench/receive/run.sh [BUILD_DIR] [RUNS] ["list gap whole read"]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-3}
cmake --build "$build" -j2 --target velnaro_ui velnaro-msg >/dev/null
out="$build/bench"
mkdir -p "$out"
incs=""
for d in ui flows transport reach message runtime encoding settings addressbook widgets; do
  incs="$incs -I$root/src/$d"
done
# Every library of the program, in one group so that their order does not matter.
libs=$(find "$build/src" "$build/data" -name 'libvelnaro_*.a' | sort)
qrc=$(find "$build/data" -name 'qrc_*.o')
g++ -std=c++17 -O2 -fPIC -DVELNARO_BUILD_DIR="\"$build\"" $incs -I"$root/tests/transport" \
  $(pkg-config --cflags Qt6Widgets Qt6Network) \
  "$here/bench_receive.cpp" "$root/tests/transport/MailServers.cpp" "$root/tests/transport/TestCertificates.cpp" $qrc \
  -Wl,--start-group $libs -Wl,--end-group \
  $(pkg-config --libs Qt6Widgets Qt6Network) -pthread -o "$out/bench_receive"
exec "$out/bench_receive" "$here/peer.py" "$build/velnaro-msg" "$runs" "${3:-list gap whole read}"
