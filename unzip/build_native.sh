#!/usr/bin/env bash
# Builds the archive reader and the extraction engine natively (g++, POSIX
# side of the file seam) into build/unzip-native/libunzip_native.a, and links
# all of its objects once to prove that nothing is left undefined. No CMake.
# Needs the host zlib (zlib1g-dev) and the minizip sources in .deps/minizip.
# Usage: unzip/build_native.sh [extra compiler flags, e.g. -fsanitize=address]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$ROOT/build/unzip-native
MINIZIP=$ROOT/.deps/minizip
mkdir -p "$OUT"
CXXFLAGS=(-std=c++17 -Os -Wall -Wextra -fno-exceptions -fno-rtti -I"$ROOT" -I"$MINIZIP" -DNOUNCRYPT "$@")
objects=()
for src in unzip/archive_reader.cpp unzip/item_record.cpp unzip/item_name.cpp \
           unzip/zip_extractor.cpp unzip/file_seam_posix.cpp unzip/native_runtime_posix.cpp \
           runtime/text.cpp; do
  obj=$OUT/$(basename "${src%.cpp}").o
  g++ "${CXXFLAGS[@]}" -c "$ROOT/$src" -o "$obj"
  objects+=("$obj")
done
for src in unzip.c ioapi.c; do
  obj=$OUT/minizip_${src%.c}.o
  gcc -Os -w -DNOUNCRYPT "$@" -I"$MINIZIP" -c "$MINIZIP/$src" -o "$obj"
  objects+=("$obj")
done
rm -f "$OUT/libunzip_native.a"
ar rcs "$OUT/libunzip_native.a" "${objects[@]}"
# Every object linked whole, with an empty main: fails on any undefined symbol.
echo 'int main() { return 0; }' > "$OUT/link_check.cpp"
g++ "${CXXFLAGS[@]}" "$OUT/link_check.cpp" "${objects[@]}" -lz -o "$OUT/link_check"
echo "built $OUT/libunzip_native.a"
