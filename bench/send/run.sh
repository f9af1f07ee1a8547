#!/usr/bin/env bash
# Send benchmark: a message with a 20 MB attachment through the send flow (compose included) against
# Python's email package and smtplib, both to the same local Postfix; ratio below 1.0 = faster than Python.
# Also reports the longest gap of the event loop (10 ms timer) while the flow composes and sends, and the
# same through the real main window: the send button clicked, the completion box closed (offscreen).
# Builds the libraries in BUILD_DIR (default build/), compiles bench_send and bench_window against them
# and runs them as root (the servers need it).
# Usage: bench/send/run.sh [BUILD_DIR] [RUNS] [MB]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-3}
mb=${3:-20}
cmake --build "$build" -j2 --target velnaro_ui >/dev/null
out="$build/bench"
mkdir -p "$out"
flow_libs=""
for l in flows/libvelnaro_flows reach/libvelnaro_reach transport/libvelnaro_transport \
    transport/libvelnaro_transport_core reach/libvelnaro_reach_core addressbook/libvelnaro_addressbook_core \
    settings/libvelnaro_settings_core message/libvelnaro_message encoding/libvelnaro_encoding \
    runtime/libvelnaro_runtime; do
  flow_libs="$flow_libs $build/src/$l.a"
done
window_libs="$build/src/ui/libvelnaro_ui.a $build/src/ui/libvelnaro_days.a $build/src/settings/libvelnaro_settings.a \
  $build/src/addressbook/libvelnaro_addressbook.a $build/src/widgets/libvelnaro_widgets.a $build/data/libvelnaro_icons.a"
incs=""
for d in flows transport reach message runtime encoding settings addressbook widgets ui; do incs="$incs -I$root/src/$d"; done
cc() {
  g++ -std=c++17 -O2 -fPIC -DVELNARO_BUILD_DIR="\"$build\"" $incs -I"$root/tests/transport" \
    $(pkg-config --cflags "$1") "$2" "$root/tests/transport/MailServers.cpp" "$root/tests/transport/TestCertificates.cpp" \
    -Wl,--start-group $3 -Wl,--end-group $(pkg-config --libs "$1") -pthread -o "$4"
}
cc Qt6Network "$here/bench_send.cpp" "$flow_libs" "$out/bench_send"
cc "Qt6Widgets Qt6Network" "$here/bench_window.cpp" "$window_libs $flow_libs" "$out/bench_window"
"$out/bench_send" "$here/peer.py" "$runs" "$mb"
"$out/bench_window" "$runs" "$mb"
