#!/usr/bin/env bash
# Takes the screenshots in docs/: the three pages of the main window and the
# account settings window, each a real window on a virtual X display (Xvfb),
# captured with ImageMagick's import.
#
# Usage: tools/screenshots.sh [BUILD_DIR]   (default: build)
# Needs the Debian packages xvfb, xauth, imagemagick and xdotool; installs
# them when missing and running as root.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
OUT=$ROOT/docs

need=()
for tool in Xvfb:xvfb xauth:xauth import:imagemagick xdotool:xdotool; do
  command -v "${tool%%:*}" >/dev/null 2>&1 || need+=("${tool#*:}")
done
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "screenshots.sh: please install: ${need[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get -o DPkg::Lock::Timeout=300 install -y --no-install-recommends "${need[@]}"
fi

if [ ! -x "$BUILD/velnaro" ]; then
  echo "screenshots.sh: $BUILD/velnaro not found; build it first" >&2
  exit 1
fi

# A settings file beside the program makes it a portable copy that keeps its
# files there: run a copy in a scratch folder with a settings file holding one
# sample account, so the user's own settings are neither read nor changed.
WORK=$(mktemp -d /tmp/velnaro-shots-XXXXXX)
XPID=""
APID=""
cleanup() {
  [ -n "$APID" ] && kill "$APID" 2>/dev/null || true
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

cp "$BUILD/velnaro" "$WORK/velnaro"
printf '%s\r\n' \
  '[Number]' 'count=1' 'start=1' \
  '[Account1]' 'user=taro' 'password=' 'pop3=pop.example.jp' 'smtp=smtp.example.jp' \
  'address=taro@example.jp' 'signcount=2' 'sign1=--' 'sign2=Taro Yamada <taro@example.jp>' \
  'signcheck=1' 'encode=1' 'mailhead=1' 'apop=0' 'patrol=0' 'pingcheck=0' \
  'pop3port=995' 'pop3security=2' 'smtpport=587' 'smtpsecurity=1' 'smtpauth=1' 'smtpuser=' \
  'smtppassword=' 'trustcert=' \
  > "$WORK/VELNARO.ini"

# A free display number.
DISP=""
for n in $(seq 90 130); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then DISP=":$n"; break; fi
done
[ -n "$DISP" ] || { echo "screenshots.sh: no free display" >&2; exit 1; }

Xvfb "$DISP" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XPID=$!
export DISPLAY=$DISP
for _ in $(seq 50); do
  xdotool getmouselocation >/dev/null 2>&1 && break
  sleep 0.1
done

(cd "$WORK" && exec ./velnaro >"$WORK/velnaro.log" 2>&1) &
APID=$!

# Waits for a window with the given title and prints its id.
window_id() {
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "screenshots.sh: window '$1' did not appear" >&2
  return 1
}

MAIN=$(window_id 'velnaro ver1.2.1.4')
sleep 1
xdotool windowfocus --sync "$MAIN" 2>/dev/null || true
shot() { sleep 0.7; /usr/bin/import -window "$1" "$OUT/$2"; echo "wrote docs/$2"; }

mkdir -p "$OUT"
# The program starts on the connection page; Ctrl+Tab steps to the send
# page, then to the read page.
shot "$MAIN" connection-page.png
xdotool key --window "$MAIN" ctrl+Tab
shot "$MAIN" send-page.png
xdotool key --window "$MAIN" ctrl+Tab
shot "$MAIN" read-page.png
xdotool key --window "$MAIN" ctrl+Tab
# Ctrl+E shows the account settings window.
xdotool key --window "$MAIN" ctrl+e
SETTINGS=$(window_id 'VELNARO設定')
shot "$SETTINGS" settings-window.png
