#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are missing (as root).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$here/packages.txt" | grep -v '^$')

missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
fi
# 32-bit packages (name:i386) need the architecture enabled first.
for p in "${missing[@]}"; do
  if [[ $p == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    break
  fi
done
echo "Installing: ${missing[*]}" >&2
# A mirror in the middle of a sync can fail one index; the install below still works
# from the indexes that did arrive, and says so clearly when a package cannot be found.
$SUDO apt-get update -qq || echo "install-deps: apt-get update reported errors; trying the install anyway" >&2
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
