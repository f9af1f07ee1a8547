#!/usr/bin/env bash
# End-to-end checks of velnaro-msg: fields and read text box of sample
# messages, the header toggle, the listed digests against sha256sum of the
# files --save writes, names that try to leave the folder, JSON escaping,
# and the exit status 2 with one line on standard error.
set -u
msg="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
data="$(cd "$(dirname "$0")/../data/message" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }

hex() { printf '%s' "$1" | iconv -f UTF-8 -t CP932 | od -An -tx1 | tr -d ' \n' | tr a-f A-F; }
has() {  # has NAME FILE TEXT: the output holds TEXT literally
  grep -qF -- "$3" "$2" || fail "$1: no $3 in $(head -c 400 "$2")"
}

# Fields and the read text box of a multipart message with a named attachment.
"$msg" "$data/multipart_preamble.eml" > "$work/a.json" || fail "multipart: exit status $?"
[ "$(wc -l < "$work/a.json")" -eq 1 ] || fail "multipart: not one line"
has subject-hex "$work/a.json" "\"subject_sjis_hex\":\"$(hex 会議資料の送付)\""
has subject     "$work/a.json" '"subject":"会議資料の送付"'
has from        "$work/a.json" '"from":"佐藤 花子 <sato@example.jp>"'
has date        "$work/a.json" '"date_jst":"2026-03-03 10:14:58"'
has message-id  "$work/a.json" '"message_id":"<20260303101458.1234@example.jp>"'
has marker      "$work/a.json" "\"shown_lines_sjis_hex\":[\"$(hex '------<Subject is 会議資料の送付 (text/plain) >------')\",\"\","
has attachment  "$work/a.json" "{\"name_sjis_hex\":\"$(hex 資料.bin)\",\"number\":1,\"sha256\":\"$(sha256sum < "$data/multipart_preamble.att" | cut -c1-64 | tr a-f A-F)\"}"

# The header toggle puts the header lines, as received, before the marker.
"$msg" --header "$data/multipart_preamble.eml" > "$work/h.json" || fail "header: exit status $?"
has header "$work/h.json" "\"shown_lines_sjis_hex\":[\"$(hex 'Return-Path: <sato@example.jp>')\","

# Nameless parts, the text-file marker, and a message without a date.
"$msg" "$data/nested_multipart.eml" > "$work/n.json" || fail "nested: exit status $?"
has textfile-marker "$work/n.json" "\"\",\"$(hex '------<Attached TextFile (text/plain) >------')\",\"\",\"$(hex 'second text')\"]"
has nameless-html   "$work/n.json" "\"name_sjis_hex\":\"$(hex text1.html)\",\"number\":1"
has nameless-png    "$work/n.json" "\"name_sjis_hex\":\"$(hex image2.png)\",\"number\":2"
"$msg" "$data/uuencoded.eml" > "$work/u.json" || fail "uuencoded: exit status $?"
has no-date "$work/u.json" '"date_jst":null'

# Saving: every listed attachment lands in the folder, digests as sha256sum says.
check_saved() {  # check_saved NAME JSON DIR: each listed digest is that of a file in DIR
  local name=$1 json=$2 dir=$3 d
  for d in $(grep -o '"sha256":"[0-9A-F]*"' "$json" | cut -d'"' -f4); do
    (cd "$dir" && sha256sum -- *) | tr a-f A-F | grep -q "^$d " || fail "$name: no saved file with digest $d"
  done
}
mkdir "$work/s1"
"$msg" --save "$work/s1" "$data/uuencoded.eml" > "$work/s1.json" || fail "save: exit status $?"
cmp -s "$work/s1/first.bin" "$data/uu_first.bin" || fail "save: first.bin differs"
cmp -s "$work/s1/second.txt" "$data/uu_second.txt" || fail "save: second.txt differs"
check_saved save "$work/s1.json" "$work/s1"

# Names that try to leave the folder stay inside it.
mkdir -p "$work/deep/in"
( cd "$work/deep/in" && "$msg" --save . "$data/layout/hostile_names.eml" > "$work/x.json" ) || fail "hostile: exit status $?"
[ "$(ls -A "$work/deep")" = in ] || fail "hostile: files outside the folder: $(ls -A "$work/deep")"
[ "$(ls -A "$work/deep/in" | wc -l)" -eq 4 ] || fail "hostile: expected 4 files, got $(ls -A "$work/deep/in")"
cmp -s "$work/deep/in/evil.sh" "$data/layout/hostile_evil.bin" || fail "hostile: evil.sh differs"
check_saved hostile "$work/x.json" "$work/deep/in"
has refs "$work/x.json" '"references":["<a.1@example.net>","<b.2@example.net>"]'

# An empty attachment: the digest of no bytes at all.
{ printf 'Subject: v\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary="v"\r\n\r\n--v\r\n'
  printf 'Content-Type: application/octet-stream; name="v.bin"\r\nContent-Transfer-Encoding: base64\r\n\r\n'
  printf -- '--v--\r\n'; } > "$work/v.eml"
"$msg" "$work/v.eml" > "$work/v.json" || fail "empty: exit status $?"
has empty "$work/v.json" '"sha256":"E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"'

# JSON escaping of quotes, backslashes and control characters.
printf 'Subject: =?UTF-8?B?%s?=\r\nFrom: x@example.jp\r\n\r\nbody\r\n' "$(printf 'a"b\\c\001\td' | base64)" > "$work/e.eml"
"$msg" "$work/e.eml" > "$work/e.json" || fail "escape: exit status $?"
has escape "$work/e.json" '"subject":"a\"b\\c\u0001\td"'

errors() {  # errors NAME ARGS...
  local name=$1; shift
  "$msg" "$@" > /dev/null 2> "$work/err"; local rc=$?
  if [ $rc -ne 2 ] || [ "$(wc -l < "$work/err")" -ne 1 ]; then
    fail "$name: status $rc, stderr: $(cat "$work/err")"; fi
}
errors missing-input  "$work/does-not-exist"
errors folder-input   "$work"
errors no-input
errors unknown-option --frobnicate "$data/uuencoded.eml"
errors two-inputs     "$data/uuencoded.eml" "$data/uuencoded.eml"
errors save-not-dir   --save "$data/uuencoded.eml" "$data/uuencoded.eml"
errors save-missing   --save "$work/no-such-dir" "$data/uuencoded.eml"

if [ $fails -ne 0 ]; then echo "$fails check(s) failed"; exit 1; fi
echo "velnaro-msg: all checks passed"
