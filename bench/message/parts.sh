#!/usr/bin/env bash
# A message of many small parts (100,000 by default), side by side in the same
# run: velnaro-msg (fields, read text, every attachment listed with its
# SHA-256) against Python's email package walking and decoding the same parts
# and hashing the attachments (py_walk.py). Times are the least CPU time
# (user + system) of several runs each; the target is ours/python <= 1.0.
# Usage: bench/message/parts.sh [BUILD_DIR] [RUNS] [PARTS]   (builds velnaro-msg there)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-5}
parts=${3:-100000}
py=/usr/bin/python3
[ -x /usr/bin/time ] && [ -x "$py" ] || { echo "needs /usr/bin/time and /usr/bin/python3"; exit 1; }
cmake --build "$build" -j2 --target velnaro-msg >/dev/null
data=$(mktemp -d /dev/shm/velnaro-partsbench.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$data"' EXIT
"$py" "$here/gen-parts.py" "$data/parts.eml" "$parts"

# The tool lists every attachment (nine parts in ten) with a digest.
"$build/velnaro-msg" "$data/parts.eml" > "$data/out.json"
listed=$(grep -o '"sha256":"[0-9A-F]\{64\}"' "$data/out.json" | wc -l)
[ "$listed" -eq $((parts - (parts + 9) / 10)) ] || { echo "velnaro-msg listed $listed attachments"; exit 1; }

best() {  # best CMD...: least CPU seconds of $runs runs, taken in turns with the peer
  local b=999999 t
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%U %S" -o "$data/time" "$@" > /dev/null
    t=$(awk '{print $1 + $2}' "$data/time")
    if awk -v t="$t" -v b="$b" 'BEGIN {exit !(t < b)}'; then b=$t; fi
  done
  echo "$b"
}
ours=999999 python=999999
for _ in $(seq "$runs"); do  # alternate, so both see the same load on the shared machine
  o=$(runs=1 best "$build/velnaro-msg" "$data/parts.eml")
  p=$(runs=1 best "$py" "$here/py_walk.py" "$data/parts.eml")
  ours=$(awk -v a="$o" -v b="$ours" 'BEGIN {print (a < b) ? a : b}')
  python=$(awk -v a="$p" -v b="$python" 'BEGIN {print (a < b) ? a : b}')
done
size=$(stat -c %s "$data/parts.eml")
echo "a message of $parts parts ($(awk -v s="$size" 'BEGIN {printf "%.1f", s / 1048576}') MB)"
printf '   velnaro-msg    %8.3fs\n   python email   %8.3fs   ours/python = %s (target <= 1.0)\n' "$ours" "$python" \
  "$(awk -v a="$ours" -v b="$python" 'BEGIN {if (b > 0) printf "%.2f", a / b; else print "n/a"}')"
echo "least CPU time (user + system) of $runs runs each, taken in turns"
