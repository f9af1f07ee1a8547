#!/usr/bin/env bash
# Renders the program's icon, data/icons/org.velnaro.Velnaro.svg, into the
# PNG sizes of the hicolor theme (data/icons/hicolor/NxN/apps/) and the
# picture in docs/icon.png. The PNGs are committed, so a build needs no SVG
# renderer; run this after changing the SVG.
#
# Usage: tools/render-icons.sh
# Needs rsvg-convert (Debian package librsvg2-bin); installs it when missing
# and running as root.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
SVG=$ROOT/data/icons/org.velnaro.Velnaro.svg
NAME=$(basename "$SVG" .svg)

if ! command -v rsvg-convert >/dev/null 2>&1; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "render-icons.sh: please install librsvg2-bin" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get -o DPkg::Lock::Timeout=300 install -y --no-install-recommends librsvg2-bin
fi

for size in 16 22 24 32 48 64 128 256; do
  dir=$ROOT/data/icons/hicolor/${size}x${size}/apps
  mkdir -p "$dir"
  rsvg-convert -w "$size" -h "$size" "$SVG" -o "$dir/$NAME.png"
  echo "wrote data/icons/hicolor/${size}x${size}/apps/$NAME.png"
done
mkdir -p "$ROOT/docs"
rsvg-convert -w 256 -h 256 "$SVG" -o "$ROOT/docs/icon.png"
echo "wrote docs/icon.png"
