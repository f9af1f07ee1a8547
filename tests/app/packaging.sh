#!/usr/bin/env bash
# Checks what an install and the Debian package put on a machine.
#   packaging.sh install BUILD_DIR SOURCE_DIR VERSION   cmake --install into a DESTDIR
#   packaging.sh deb     BUILD_DIR SOURCE_DIR VERSION   cpack -G DEB, read back with dpkg-deb
# Both reuse the program already built in BUILD_DIR.
set -euo pipefail
mode=$1 build=$2 src=$3 version=$4
id=org.velnaro.Velnaro
work=$(mktemp -d /tmp/velnaro-pkg-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The files an install must hold, below the prefix.
expected() {
  echo bin/velnaro
  echo share/applications/$id.desktop
  echo share/metainfo/$id.metainfo.xml
  echo share/icons/hicolor/scalable/apps/$id.svg
  for s in 16 22 24 32 48 64 128 256; do echo share/icons/hicolor/${s}x$s/apps/$id.png; done
}

case $mode in
install)
  DESTDIR=$work/root cmake --install "$build" --prefix /usr >/dev/null
  root=$work/root/usr
  diff <(expected | sort) <(cd "$root" && find . -type f | sed 's|^\./||' | sort) ||
    fail "installed files differ from the expected list"
  [ -x "$root/bin/velnaro" ] || fail "bin/velnaro is not executable"
  # Every PNG has the pixel size of its folder (IHDR width and height, big-endian).
  for s in 16 22 24 32 48 64 128 256; do
    png=$root/share/icons/hicolor/${s}x$s/apps/$id.png
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
      awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$w $h" = "$s $s" ] || fail "$png is ${w}x$h"
  done
  desktop=$root/share/applications/$id.desktop
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
  appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
  appstreamcli validate-tree --no-net "$work/root" >/dev/null || fail "appstreamcli validate-tree"
  # The entry handles mailto links, hands the link to the program and names the installed icon.
  grep -qx 'MimeType=x-scheme-handler/mailto;' "$desktop" || fail "no mailto handler"
  grep -qx 'Exec=velnaro %u' "$desktop" || fail "Exec does not pass the link"
  grep -qx "Icon=$id" "$desktop" || fail "Icon is not $id"
  # The metainfo names this version and only screenshots the repository has.
  meta=$root/share/metainfo/$id.metainfo.xml
  grep -q "<release version=\"$version\"" "$meta" || fail "metainfo release is not $version"
  shots=$(grep -o '<image>[^<]*</image>' "$meta" | sed 's|</image>||; s|.*/||')
  [ -n "$shots" ] || fail "no screenshot"
  for f in $shots; do [ -f "$src/docs/$f" ] || fail "screenshot $f is not in docs/"; done
  ;;
deb)
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
  deb=$work/velnaro_${version}_$(dpkg --print-architecture).deb
  [ -f "$deb" ] || fail "no $deb"
  diff <(expected | sed 's|^|usr/|' | sort) \
       <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort) ||
    fail "package files differ from the expected list"
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = velnaro ] || fail "Package is $(field Package)"
  [ "$(field Version)" = "$version" ] || fail "Version is $(field Version)"
  depends=$(field Depends)
  names=$(sed 's/([^)]*)//g; s/,/ /g' <<<"$depends" | tr -s ' ' '\n')
  # The libraries the program links, by their Debian package names, and the fonts it names.
  for p in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 \
           fonts-ipafont-gothic fonts-ipafont-mincho; do
    grep -qxF "$p" <<<"$names" || fail "Depends lacks $p: $depends"
  done
  # Every dependency is a package of this machine's archive, none a development package.
  for p in $names; do
    case $p in *-dev) fail "Depends names $p" ;; esac
    dpkg-query -W "$p" >/dev/null 2>&1 || fail "Depends names $p, which is not installed here"
  done
  [ "$(field Section)" = mail ] || fail "Section is $(field Section)"
  ;;
*) fail "mode $mode" ;;
esac
echo "packaging.sh $mode: ok"
