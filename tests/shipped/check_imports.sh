#!/usr/bin/env bash
# Fails unless the program imports only DLLs that every Windows has.
set -euo pipefail
exe=$1
allowed='^(kernel32|user32|gdi32|shell32|ole32|oleaut32|comctl32|comdlg32|advapi32|msvcrt)\.dll$'
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/{print tolower($3)}' | sort -u)
echo "imports of $(basename "$exe"):" $dlls
bad=$(echo "$dlls" | grep -Ev "$allowed" || true)
if [ -n "$bad" ]; then echo "not a Windows DLL: $bad"; exit 1; fi
