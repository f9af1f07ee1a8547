#!/usr/bin/env bash
# The program's own command line, on the real binary, without a display:
# --help and --version print to standard output and exit 0; a bad argument
# prints to standard error and exits 2.
#   command_line.sh PROGRAM VERSION
set -uo pipefail
program=$1 version=$2
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=none  # the answer must come before Qt would look for one
fail() { echo "FAIL: $*" >&2; exit 1; }
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

run() {  # run EXPECTED_STATUS ARGS...
  local want=$1; shift
  timeout 20 "$program" "$@" >"$out" 2>"$err"
  local got=$?
  [ "$got" = "$want" ] || fail "velnaro $*: exit status $got, expected $want"
}

run 0 --version
[ "$(cat "$out")" = "velnaro ver$version" ] || fail "--version printed: $(cat "$out")"
[ -s "$err" ] && fail "--version wrote to standard error"

run 0 --help
grep -q '^使い方: velnaro \[--portable\] \[mailto:' "$out" || fail "--help printed no usage line"
grep -q 'XDG_CONFIG_HOME' "$out" || fail "--help does not say where the settings live"
[ -s "$err" ] && fail "--help wrote to standard error"

for bad in --bogus not-a-link; do
  run 2 "$bad"
  [ -s "$out" ] && fail "velnaro $bad wrote to standard output"
  grep -q 'velnaro --help' "$err" || fail "velnaro $bad does not point to --help"
done
exit 0
