#!/usr/bin/env bash
# Whole installation under Wine (x86_64), printed as markdown table rows:
#   ours  an installer built with the benchmark payload (PAYLOAD_DIR), driven
#         through its road by bench/drive_install.exe: start click, warning
#         box, extraction, shortcut, completion box answered No, exit
#   NSIS  a makensis installer (amd64-unicode stub, zlib) of the same folder
#         with a desktop shortcut, run silently (/S)
# Both install into the same prefix on C:, cleared before every run.
# Usage: bench/whole_install.sh [runs]   (called by tools/bench.sh)
set -euo pipefail
REPO=$(cd "$(dirname "$0")/.." && pwd)
cd "$REPO"
RUNS=${1:-5}
D=$REPO/build/bench-data
B=$REPO/build/bench-bin
PRODUCT="Zorvane工具11"
PAYLOAD=$D/install-payload
[ -f "$PAYLOAD/$PRODUCT.exe" ] || python3 bench/make_payload.py "$PAYLOAD" "$D/install-payload.zip" \
  --program "$PRODUCT.exe"

# Our installer with that payload, and the driver.
if [ ! -f build/bench-install-x64/build.ninja ]; then
  cmake -S . -B build/bench-install-x64 -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake -DBUILD_TESTS=OFF -DPAYLOAD_DIR="$PAYLOAD" >/dev/null
fi
cmake --build build/bench-install-x64 -j 2 --target installer >/dev/null
cmake --build build/bench-x64 -j 2 --target gui_driver >/dev/null
x86_64-w64-mingw32-g++-posix -std=c++17 -Os -municode -static -I. bench/drive_install.cpp \
  build/bench-x64/tests/runtime/libgui_driver.a -luser32 -lgdi32 -o "$B/win/drive_install.exe"

# The NSIS installer of the same folder.
mkdir -p "$D/nsis"
if [ ! -f "$D/nsis/setup.exe" ] || [ bench/whole_install.sh -nt "$D/nsis/setup.exe" ]; then
  printf '\xef\xbb\xbf' > "$D/nsis/setup.nsi"  # UTF-8 with BOM: the names are Chinese
  cat >> "$D/nsis/setup.nsi" <<NSI
Unicode true
Target amd64-unicode
SetCompressor zlib
Name "$PRODUCT"
OutFile "$D/nsis/setup.exe"
InstallDir "C:\\nsis-bench\\$PRODUCT"
RequestExecutionLevel user
Section
  SetOutPath "\$INSTDIR"
  File /r "$PAYLOAD/*"
  CreateShortcut "\$DESKTOP\\$PRODUCT.lnk" "\$INSTDIR\\$PRODUCT.exe"
SectionEnd
NSI
  makensis -V1 "$D/nsis/setup.nsi" >/dev/null
fi

export WINEPREFIX=${WINEPREFIX:-$REPO/build/bench-x64/wineprefix} WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
tools/wine-prefix.sh "$WINEPREFIX"
C=$WINEPREFIX/drive_c
DESK=$(ls -d "$C"/users/*/Desktop | head -1)
TEMPDIR=$(ls -d "$C"/users/*/Temp | head -1)
export DISPLAY=${DISPLAY:-:71}
XVFB=
if ! xdpyinfo >/dev/null 2>&1; then
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB=$!
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
fi
wineserver -p 2>/dev/null || true  # already up is fine
clear="sh -c 'rm -rf \"$C/Zorvane软件\" \"$C/nsis-bench\" \"$DESK/$PRODUCT.lnk\" \"$TEMPDIR/tool.zip\" \"$C/tool.zip\"'"
hyperfine -N --runs "$RUNS" --warmup 1 --prepare "$clear" --export-json "$D/install.json" \
  -n "installer (ours), driven" "wine $B/win/drive_install.exe Z:$REPO/build/bench-install-x64/app/installer.exe" \
  -n "NSIS, silent" "wine $D/nsis/setup.exe /S" >/dev/null 2>&1
eval "$clear"
[ -n "$XVFB" ] && kill "$XVFB"
size=$(du -sm "$PAYLOAD" | cut -f1)
files=$(find "$PAYLOAD" -type f | wc -l)
echo "### Whole installation under Wine, x86_64 ($files files, $size MB)"
echo
echo "| installer | median | range | runs | vs NSIS |"
echo "|---|---:|---:|---:|---:|"
python3 bench/timing.py "$D/install.json" "NSIS, silent"
