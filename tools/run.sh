#!/usr/bin/env bash
# Builds the shipped i686 installer and runs it under Wine (on a virtual
# display when there is none; take a screenshot with `import -window root`).
set -euo pipefail
REPO=$(cd "$(dirname "$0")/.." && pwd)
cd "$REPO"
tools/setup.sh
source tools/display.sh
cmake -S . -B build/i686 -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake
cmake --build build/i686 --target installer
PREFIX=$REPO/build/i686/wineprefix
tools/wine-prefix.sh "$PREFIX"
trap stop_display EXIT
echo "installer: build/i686/app/installer.exe on display $DISPLAY"
build/i686/wine-run.sh build/i686/app/installer.exe && code=0 || code=$?
echo "installer exit code: $code"
exit $code
