#!/usr/bin/env bash
# Runs a command with drive D: of the test Wine prefix set up as asked:
#   none       no D: at all
#   big        D: on a 2000 MB file system (enough free space)
#   small      D: on a 900 MB file system (less than 1000 MB free)
#   readonly   D: on a 2000 MB file system mounted read-only
# Usage: with_drive.sh KIND command...   (WINEPREFIX must be set, or the
# prefix is taken from the wine-run.sh given as the command)
set -euo pipefail
kind=$1; shift
prefix=${WINEPREFIX:-$(sed -n 's/^export WINEPREFIX=\${WINEPREFIX:-\(.*\)}$/\1/p' "$1")}
drives=$(dirname "$prefix")/drives
link=$prefix/dosdevices/d:
mount_tmpfs() {  # folder size options
  mkdir -p "$1"
  mountpoint -q "$1" || mount -t tmpfs -o "size=$2,$3" tmpfs "$1"
}
rm -f "$link"
case $kind in
  none) ;;
  big) mount_tmpfs "$drives/big" 2000m rw; ln -s "$drives/big" "$link" ;;
  small) mount_tmpfs "$drives/small" 900m rw; ln -s "$drives/small" "$link" ;;
  readonly) mount_tmpfs "$drives/readonly" 2000m ro; ln -s "$drives/readonly" "$link" ;;
  *) echo "unknown drive kind: $kind"; exit 2 ;;
esac
status=0
"$@" || status=$?
rm -f "$link"
# Leave the big and small drives empty for the next test.
for d in big small; do [ -d "$drives/$d" ] && find "$drives/$d" -mindepth 1 -delete; done
exit $status
