#!/usr/bin/env bash
# Builds both targets and runs every test: unit tests on the x86_64 build
# under 64-bit Wine, the shipped i686 installer and test programs under the
# 32-bit Wine, all under a virtual display when there is none.
set -euo pipefail
REPO=$(cd "$(dirname "$0")/.." && pwd)
cd "$REPO"
tools/setup.sh
source tools/display.sh

JOBS=$(nproc)
cmake -S . -B build/i686 -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake
cmake --build build/i686 -j "$JOBS"
cmake -S . -B build/x86_64 -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake \
  -DSHIPPED_BUILD="$REPO/build/i686"
cmake --build build/x86_64 -j "$JOBS"

PREFIX=$REPO/build/x86_64/wineprefix
tools/wine-prefix.sh "$PREFIX"
export WINEPREFIX=$PREFIX
trap 'WINEPREFIX=$PREFIX wineserver -k 2>/dev/null || true; stop_display' EXIT
# One display and one mouse: the tests run one after another.
ctest --test-dir build/x86_64 --output-on-failure --timeout 600 "$@"
