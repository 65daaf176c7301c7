#!/usr/bin/env bash
# CTest's emulator for Windows programs. Keeps one wineserver up for the whole
# run (started detached, so it holds none of CTest's pipes), then runs the
# program with the 64-bit or 32-bit loader as its PE header asks.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
: "${WINEPREFIX:?WINEPREFIX must be set}"
export WINEPREFIX
wineserver -p >/dev/null 2>&1 </dev/null
exec wine "$@"
