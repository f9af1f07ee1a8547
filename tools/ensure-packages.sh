#!/usr/bin/env bash
# Installs the Debian packages listed in the given files that are missing.
# As root it runs apt-get; otherwise it prints the exact command and fails.
# Usage: ensure-packages.sh LIST_FILE...
set -euo pipefail
want=$(grep -h -v -E '^\s*(#|$)' "$@" | sort -u)
missing=()
for p in $want; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
cmd="apt-get -o DPkg::Lock::Timeout=300 install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing Debian packages. Run as root, then start again:" >&2
  echo "  apt-get update && DEBIAN_FRONTEND=noninteractive $cmd" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# Postfix asks a question on install; answer it so the install runs unattended.
echo "postfix postfix/main_mailer_type select No configuration" | debconf-set-selections 2>/dev/null || true
apt-get -o DPkg::Lock::Timeout=300 update -q
$cmd
