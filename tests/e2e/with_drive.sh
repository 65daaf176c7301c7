#!/usr/bin/env bash
# Runs a command with drive D: of the test Wine prefix set up as asked:
#   none       no D: at all
#   big        D: on a 2000 MB file system (enough free space)
#   small      D: on a 900 MB file system (less than 1000 MB free)
#   readonly   D: on a 2000 MB file system mounted read-only
# Any kind may end in "+e": drive E: then exists too, as an empty folder.
# Usage: with_drive.sh KIND command...   (WINEPREFIX must be set, or the
# prefix is taken from the wine-run.sh given as the command)
set -euo pipefail
kind=${1%+e}; second=${1#"$kind"}; shift
prefix=${WINEPREFIX:-$(sed -n 's/^export WINEPREFIX=\${WINEPREFIX:-\(.*\)}$/\1/p' "$1")}
drives=$(dirname "$prefix")/drives
link=$prefix/dosdevices/d:
link_e=$prefix/dosdevices/e:
mount_tmpfs() {  # folder size options
  mkdir -p "$1"
  mountpoint -q "$1" || mount -t tmpfs -o "size=$2,$3" tmpfs "$1"
}
rm -f "$link" "$link_e"
if [ "$second" = +e ]; then
  mkdir -p "$drives/e"
  ln -s "$drives/e" "$link_e"
  restart_server=1
fi
case $kind in
  none) ;;
  big) mount_tmpfs "$drives/big" 2000m rw; ln -s "$drives/big" "$link" ;;
  small) mount_tmpfs "$drives/small" 900m rw; ln -s "$drives/small" "$link" ;;
  readonly) mount_tmpfs "$drives/readonly" 2000m ro; ln -s "$drives/readonly" "$link" ;;
  *) echo "unknown drive kind: $kind"; exit 2 ;;
esac
# Wine lists the drives (GetLogicalDrives, the shell's "computer") as they
# were when its server started: for E:, restart it, so that the list has E:
# and D:. The new server and Wine's services start here, detached from the
# caller's output (a service started by the test would hold CTest's pipe).
if [ -n "${restart_server:-}" ]; then
  export WINEPREFIX=$prefix
  wineserver -k >/dev/null 2>&1 </dev/null || true
  wineserver -w >/dev/null 2>&1 </dev/null || true
  wineserver -p >/dev/null 2>&1 </dev/null
  wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
fi
status=0
"$@" || status=$?
rm -f "$link" "$link_e"
# Nothing stays mounted (a mount inside the build folder would keep it from
# being removed), and E: is left empty for the next test.
for d in big small readonly; do mountpoint -q "$drives/$d" && umount -l "$drives/$d"; done
[ -d "$drives/e" ] && find "$drives/e" -mindepth 1 -delete
exit $status
