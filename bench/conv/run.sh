#!/usr/bin/env bash
# Throughput of the kanji code conversions through velnaro-conv, side by side
# with nkf and iconv doing the nearest equivalent conversion on the same text.
# Prints the best of several runs for each tool and the ratios ours / peer.
# Usage: bench/conv/run.sh [SIZE_MB] [RUNS]   (builds build/velnaro-conv first)
set -euo pipefail
cd "$(dirname "$0")/../.."
size=${1:-50}
runs=${2:-5}
command -v nkf >/dev/null && [ -x /usr/bin/time ] || { echo "needs nkf and time (apt-get install nkf time)"; exit 1; }
cmake --build build --target velnaro-conv >/dev/null
data=$(mktemp -d /dev/shm/velnaro-bench.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$data"' EXIT
python3 bench/conv/gen-text.py "$data" "$size"

best() {  # best RUNS INPUT CMD... : least CPU time (user + system) in seconds
  # CPU time rather than wall time, so that other load on the machine does not
  # decide the ratio; the output goes to a file in the same folder as the input.
  local n=$1 in=$2; shift 2
  local b=999999
  for _ in $(seq "$n"); do
    /usr/bin/time -f "%U %S" -o "$data/time" "$@" < "$in" > "$data/out"
    b=$(awk -v b="$b" '{t = $1 + $2; print (t < b) ? t : b}' "$data/time")
  done
  echo "$b"
}

printf '%-12s %10s %10s %10s %12s %12s\n' conversion velnaro nkf iconv 'ours/nkf' 'ours/iconv'
row() {  # row NAME INPUT OURS_MODE NKF_FLAGS ICONV_FROM ICONV_TO
  local ours nkf ic
  ours=$(best "$runs" "$data/$2" build/velnaro-conv "$3")
  nkf=$(best "$runs" "$data/$2" nkf $4)
  ic=$(best "$runs" "$data/$2" iconv -c -f "$5" -t "$6")
  printf '%-12s %9.3fs %9.3fs %9.3fs %12.2f %12.2f\n' "$1" "$ours" "$nkf" "$ic" \
    "$(echo "$ours / $nkf" | bc -l)" "$(echo "$ours / $ic" | bc -l)"
}
row SJISToJIS  text.sjis sjis-to-jis  "-S -j -x" CP932 ISO-2022-JP
row JISToSJIS  text.jis  jis-to-sjis  "-J -s -x" ISO-2022-JP CP932
row EUCToJIS   text.euc  euc-to-jis   "-E -j -x" EUC-JP ISO-2022-JP
row UTF8ToSJIS text.utf8 utf8-to-sjis "-W -s -x" UTF-8 CP932
echo "text: ${size} MB of mixed Japanese and ASCII; least CPU time (user + system) of $runs runs each"
