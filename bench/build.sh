#!/usr/bin/env bash
# Builds the benchmark programs into build/bench-bin:
#   win/extract_engine.exe  the extraction engine (x86_64, same flags as the installer)
#   win/miniunz.exe         minizip's miniunz, same toolchain, flags and zlib
#   win/extract_floor.exe   in-memory inflate plus one write per file
#   native/extract_engine   the engine built natively (POSIX file seam, host zlib)
# The engine's Windows libraries come from build/bench-x64 (configured here).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$ROOT/build/bench-bin
MINIZIP=$ROOT/.deps/minizip
mkdir -p "$OUT/win" "$OUT/native"
cd "$ROOT"
if [ ! -f build/bench-x64/build.ninja ]; then
  cmake -S . -B build/bench-x64 -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake >/dev/null
fi
cmake --build build/bench-x64 -j 2 --target unzip_engine >/dev/null
LIBS=(build/bench-x64/unzip/libunzip_engine.a build/bench-x64/libminizip_unzip.a
      build/bench-x64/runtime/libruntime.a)
CXX=x86_64-w64-mingw32-g++-posix
CC=x86_64-w64-mingw32-gcc-posix
FLAGS=(-Os -ffunction-sections -fdata-sections -static -Wl,--gc-sections)
$CXX -std=c++17 "${FLAGS[@]}" -fno-exceptions -fno-rtti -fexec-charset=GBK -I. -I"$MINIZIP" \
  bench/extract_engine.cpp "${LIBS[@]}" -lz -lole32 -luser32 -o "$OUT/win/extract_engine.exe"
$CXX -std=c++17 "${FLAGS[@]}" -fno-exceptions -fno-rtti bench/extract_floor.cpp -lz \
  -o "$OUT/win/extract_floor.exe"
$CC "${FLAGS[@]}" -w -I"$MINIZIP" "$MINIZIP"/miniunz.c "$MINIZIP"/unzip.c "$MINIZIP"/ioapi.c \
  "$MINIZIP"/iowin32.c -lz -o "$OUT/win/miniunz.exe"

# Native: the same engine sources with the POSIX seam, -O2 like the peers' packages.
NFLAGS=(-O2 -DNOUNCRYPT -I. -I"$MINIZIP")
for src in unzip.c ioapi.c; do
  gcc -O2 -w -DNOUNCRYPT -I"$MINIZIP" -c "$MINIZIP/$src" -o "$OUT/native/minizip_${src%.c}.o"
done
g++ -std=c++17 "${NFLAGS[@]}" -fno-exceptions -fno-rtti bench/extract_engine.cpp \
  unzip/archive_reader.cpp unzip/item_record.cpp unzip/item_name.cpp unzip/zip_extractor.cpp \
  unzip/file_seam_posix.cpp unzip/native_runtime_posix.cpp runtime/text.cpp \
  "$OUT"/native/minizip_*.o -lz -o "$OUT/native/extract_engine"
echo "built $OUT"
