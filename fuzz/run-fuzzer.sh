#!/usr/bin/env bash
# Runs one libFuzzer binary for a number of seconds, starting from its committed
# seed corpus (copied, so the run never changes the files in the repository).
# Usage: run-fuzzer.sh BINARY SEED_DIR SECONDS [extra libFuzzer flags]
set -euo pipefail
bin=$1 seeds=$2 secs=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus"
[ -d "$seeds" ] && cp -r "$seeds"/. "$work/corpus/" 2>/dev/null || true
cd "$work"
"$bin" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 "$@" "$work/corpus"
