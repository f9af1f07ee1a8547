#!/usr/bin/env bash
# End-to-end checks of velnaro-conv: every mode on known bytes, files and
# standard streams, and the exit status 2 with one line on standard error.
set -u
conv=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0

expect() {  # expect NAME MODE INPUT_PRINTF EXPECTED_PRINTF
  printf "$3" > "$work/in"
  printf "$4" > "$work/want"
  "$conv" "$2" < "$work/in" > "$work/got"; local rc=$?
  if [ $rc -ne 0 ]; then
    echo "FAIL $1: exit status $rc"; fails=$((fails + 1)); return
  fi
  if ! cmp -s "$work/got" "$work/want"; then
    echo "FAIL $1: got $(od -An -tx1 "$work/got")"; fails=$((fails + 1))
  fi
}

expect sjis-to-jis   sjis-to-jis   '\x8a\xbf\x8e\x9aabc' '\x1b$B4A;z\x1b(Jabc'
expect jis-to-sjis   jis-to-sjis   '\x1b$B0!\x1b(B\r\n' '\x88\x9f\r\n'
expect euc-to-jis    euc-to-jis    '\xb0\xa1x' '\x1b$B0!\x1b(Jx'
expect utf8-to-sjis  utf8-to-sjis  '\xe3\x81\x82\xe3\x80\x9c\xc2\xa5' '\x82\xa0\x81\x60\xc2\xa5'
expect sjis-to-utf8  sjis-to-utf8  '\x82\xa0\x88' '\xe3\x81\x82\xef\xbf\xbd'
expect encode-header encode-header 'Re: \x8a\xbf' 'Re: =?ISO-2022-JP?B?GyRCNEEbKEo=?='
expect decode-header decode-header '=?UTF-8?B?5ryi?= x' '\x8a\xbf x'
expect empty-input   sjis-to-jis   '' ''
# The whole input is one string: a line end does not reset the conversion state.
expect one-string    jis-to-sjis   '\x1b$B0!\r\n0!' '\x88\x9f\r\n\x88\x9f'

# Files in and out.
printf '\x8a\xbf' > "$work/f.in"
if "$conv" sjis-to-jis "$work/f.in" "$work/f.out" && [ "$(od -An -tx1 "$work/f.out" | tr -d ' ')" = "1b244234411b284a" ]; then :; else
  echo "FAIL file in and out"; fails=$((fails + 1)); fi

errors() {  # errors NAME ARGS...
  local name=$1; shift
  "$conv" "$@" < /dev/null > /dev/null 2> "$work/err"; local rc=$?
  if [ $rc -ne 2 ] || [ "$(wc -l < "$work/err")" -ne 1 ]; then
    echo "FAIL $name: status $rc, stderr: $(cat "$work/err")"; fails=$((fails + 1)); fi
}
errors unknown-mode   no-such-mode
errors no-mode
errors missing-input  sjis-to-jis "$work/does-not-exist"
errors unwritable     sjis-to-jis "$work/f.in" "$work/no-such-dir/out"
errors too-many-args  sjis-to-jis a b c

if [ $fails -ne 0 ]; then echo "$fails check(s) failed"; exit 1; fi
echo "velnaro-conv: all checks passed"
