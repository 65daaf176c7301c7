#!/usr/bin/env bash
# Creates (once) and configures a Wine prefix for running the installer and
# its tests: Chinese-capable fonts for Windows' font names, no window manager
# round trips, and a real Desktop folder instead of a link to $HOME.
# Usage: tools/wine-prefix.sh PREFIX
set -euo pipefail
PREFIX=$1
export WINEPREFIX=$PREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -f "$PREFIX/.configured" ]; then
  mkdir -p "$PREFIX"
  wine wineboot -i >/dev/null 2>&1
  reg=$(mktemp --suffix=.reg)
  {
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for f in "SimSun" "NSimSun" "Microsoft YaHei" "Microsoft YaHei UI" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma"; do
      printf '"%s"="WenQuanYi Micro Hei"\r\n' "$f"
    done
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n"Decorated"="N"\r\n'
  } > "$reg"
  wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
  rm -f "$reg"
  # Shell folders that a fresh prefix links to $HOME become real folders.
  for d in "$PREFIX"/drive_c/users/*/{Desktop,Documents,Downloads,Music,Pictures,Videos,Templates}; do
    if [ -L "$d" ]; then rm "$d"; mkdir -p "$d"; fi
  done
  wineserver -w
  touch "$PREFIX/.configured"
fi
