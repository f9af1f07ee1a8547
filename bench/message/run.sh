#!/usr/bin/env bash
# Message benchmarks, each side by side in the same run:
#  1. decode and save every attachment of a 30 MB message (a Japanese text part
#     and three base64 attachments of about 10 MB): velnaro-msg --save against
#     Python's email package and, when libgmime-3.0-dev is installed, a GMime
#     program; peak memory of velnaro-msg against the message size;
#  2. compose a message with a 20 MB attachment: TMIMEx (compose_bench) against
#     Python's email package building and serialising the same;
#  3. decoding a 20 MB message against a 10 MB one (twice the input).
# Times are the least CPU time (user + system) of several runs, so that other
# load on the shared machine does not decide the ratios.
# Usage: bench/message/run.sh [BUILD_DIR] [RUNS]   (builds velnaro-msg there)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-5}
py=/usr/bin/python3
[ -x /usr/bin/time ] && [ -x "$py" ] || { echo "needs /usr/bin/time and /usr/bin/python3"; exit 1; }
cmake --build "$build" -j2 --target velnaro-msg velnaro_message >/dev/null
data=$(mktemp -d /dev/shm/velnaro-msgbench.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$data"' EXIT

g++ -std=c++17 -O2 -I"$root/src/message" -I"$root/src/runtime" -I"$root/src/encoding" \
  "$here/compose_bench.cpp" "$build/src/message/libvelnaro_message.a" \
  "$build/src/encoding/libvelnaro_encoding.a" "$build/src/runtime/libvelnaro_runtime.a" -o "$data/compose_bench"
gmime=
if pkg-config --exists gmime-3.0 2>/dev/null; then
  gcc -O2 "$here/gmime_decode.c" $(pkg-config --cflags --libs gmime-3.0) -o "$data/gmime_decode" && gmime=$data/gmime_decode
fi
"$py" "$here/gen-messages.py" "$data"

best() {  # best CMD...: least CPU seconds of $runs runs; peak RSS (KB) of the best run in $data/rss
  local b=999999 t
  for _ in $(seq "$runs"); do
    rm -rf "$data/out" && mkdir "$data/out"
    /usr/bin/time -f "%U %S %M" -o "$data/time" "$@" > /dev/null
    t=$(awk '{print $1 + $2}' "$data/time")
    if awk -v t="$t" -v b="$b" 'BEGIN {exit !(t < b)}'; then b=$t; awk '{print $3}' "$data/time" > "$data/rss"; fi
  done
  echo "$b"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.2f", a / b; else print "n/a"}'; }
mb() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }

size30=$(stat -c %s "$data/msg30.eml")
ours=$(best "$build/velnaro-msg" --save "$data/out" "$data/msg30.eml"); rss=$(cat "$data/rss")
for f in data1.bin data2.bin data3.bin; do [ -s "$data/out/$f" ] || { echo "velnaro-msg did not save $f"; exit 1; }; done
python=$(best "$py" "$here/py_decode.py" "$data/msg30.eml" "$data/out")
echo "1. decode and save the attachments of a $(mb $((size30 / 1024))) MB message (3 x 7.5 MB in base64)"
printf '   velnaro-msg --save %8.3fs   peak %s MB = %.2f x message size (target <= 3)\n' "$ours" "$(mb "$rss")" \
  "$(awk -v r="$rss" -v s="$size30" 'BEGIN {print r * 1024 / s}')"
printf '   python email       %8.3fs   ours/python = %s (target <= 0.3)\n' "$python" "$(ratio "$ours" "$python")"
if [ -n "$gmime" ]; then
  gm=$(best "$gmime" "$data/msg30.eml" "$data/out")
  printf '   gmime 3            %8.3fs   ours/gmime  = %s (target <= 1.0)\n' "$gm" "$(ratio "$ours" "$gm")"
else
  echo "   gmime 3            not measured (libgmime-3.0-dev is not installed)"
fi

ours=$(best "$data/compose_bench" "$data/attach20.bin" "$data/body.txt" "$data/out/composed.eml")
python=$(best "$py" "$here/py_compose.py" "$data/attach20.bin" "$data/body.txt" "$data/out/composed.eml")
echo "2. compose a message with a 20 MB attachment"
printf '   TMIMEx             %8.3fs\n   python email       %8.3fs   ours/python = %s (target <= 0.5)\n' \
  "$ours" "$python" "$(ratio "$ours" "$python")"

# One decode of these takes a few hundredths of a second, below the clock's
# 10 ms steps; each measured command decodes ten times in a row.
t10=$(best bash -c 'for i in 1 2 3 4 5 6 7 8 9 10; do "$@" > /dev/null || exit 1; done' ten \
  "$build/velnaro-msg" --save "$data/out" "$data/msg10.eml")
t20=$(best bash -c 'for i in 1 2 3 4 5 6 7 8 9 10; do "$@" > /dev/null || exit 1; done' ten \
  "$build/velnaro-msg" --save "$data/out" "$data/msg20.eml")
echo "3. decode and save: twice the input (ten decodes per measurement)"
printf '   10 MB message      %8.3fs\n   20 MB message      %8.3fs   20/10 = %s (target <= 2.2)\n' \
  "$t10" "$t20" "$(ratio "$t20" "$t10")"
echo "least CPU time (user + system) of $runs runs each"
