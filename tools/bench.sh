#!/usr/bin/env bash
# Benchmarks against real peers; prints a markdown table of today's figures.
#   1. size: the i686 installer's code against the NSIS 3 zlib x86-unicode stub
#   2. extraction under Wine (x86_64): the engine, minizip's miniunz (same
#      toolchain, flags and zlib) and the floor (in-memory inflate + writes)
#   3. whole installation under Wine: the installer driven through its road
#      against a silent NSIS installer of the same payload (bench/whole_install.sh)
#   4. extraction natively on Linux: the engine against unzip and bsdtar
# The payload is ~200 MB in ~2,000 files (bench/make_payload.py, seeded).
# Usage: tools/bench.sh [runs per command, default 5]
set -euo pipefail
REPO=$(cd "$(dirname "$0")/.." && pwd)
cd "$REPO"
RUNS=${1:-5}
tools/setup.sh >/dev/null
B=$REPO/build/bench-bin
D=$REPO/build/bench-data
bench/build.sh >/dev/null
mkdir -p "$D"
[ -f "$D/payload.zip" ] || python3 bench/make_payload.py "$D/payload" "$D/payload.zip"

# --- 1. size -----------------------------------------------------------------
if [ ! -f build/bench-i686/build.ninja ]; then
  cmake -S . -B build/bench-i686 -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake \
    -DBUILD_TESTS=OFF >/dev/null
fi
cmake --build build/bench-i686 -j 2 --target installer >/dev/null
echo "### Size (i686)"
echo
echo "| what | bytes | share / ratio |"
echo "|---|---:|---|"
python3 bench/size_report.py build/bench-i686/app/installer.exe build/bench-i686/app/installer.map \
  /usr/share/nsis/Stubs/zlib-x86-unicode
echo

# --- 2. extraction under Wine ------------------------------------------------
export WINEPREFIX=$REPO/build/bench-x64/wineprefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
tools/wine-prefix.sh "$WINEPREFIX"
wineserver -p 2>/dev/null || true  # already up is fine
trap 'wineserver -k 2>/dev/null || true' EXIT
ZD=Z:$D  # Windows path with "/": hyperfine -N splits commands like a shell
files=$(unzip -Z1 "$D/payload.zip" | grep -vc '/$')
bytes=$(du -sb "$D/payload" | cut -f1)
prep="sh -c 'rm -rf $D/out && mkdir -p $D/out'"
hyperfine -N --runs "$RUNS" --warmup 1 --prepare "$prep" --export-json "$D/wine.json" \
  -n "engine (ours)" "wine $B/win/extract_engine.exe $ZD/payload.zip $ZD/out" \
  -n "miniunz" "wine $B/win/miniunz.exe -x -o $ZD/payload.zip -d $ZD/out" \
  -n "floor" "wine $B/win/extract_floor.exe $ZD/payload.zip $ZD/out" >/dev/null 2>&1
echo "### Extraction under Wine, x86_64 ($files files, $((bytes / 1048576)) MB unpacked, $(( $(stat -c %s "$D/payload.zip") / 1048576 )) MB archive)"
echo
echo "| program | median | range | runs | vs miniunz | vs floor |"
echo "|---|---:|---:|---:|---:|---:|"
python3 bench/timing.py "$D/wine.json" miniunz floor
echo

# --- 3. whole installation -----------------------------------------------------
if [ -x bench/whole_install.sh ]; then
  bench/whole_install.sh "$RUNS"
  echo
fi

# --- 4. native extraction ------------------------------------------------------
hyperfine -N --runs "$RUNS" --warmup 1 --prepare "$prep" --export-json "$D/native.json" \
  -n "engine (ours, native)" "$B/native/extract_engine $D/payload.zip $D/out" \
  -n "unzip" "unzip -q -o $D/payload.zip -d $D/out" \
  -n "bsdtar" "bsdtar -xf $D/payload.zip -C $D/out" >/dev/null 2>&1
echo "### Extraction natively on Linux (same archive)"
echo
echo "| program | median | range | runs | vs unzip |"
echo "|---|---:|---:|---:|---:|"
python3 bench/timing.py "$D/native.json" unzip
rm -rf "$D/out"
