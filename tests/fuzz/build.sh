#!/usr/bin/env bash
# Builds the fuzz target natively with clang: libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer over the archive item reader, the extraction
# engine and minizip's unzip functions (host zlib). No CMake.
# Usage: tests/fuzz/build.sh [output folder, default build/fuzz]
# Produces <out>/fuzz_archive and the seed corpus <out>/seeds.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=${1:-$ROOT/build/fuzz}
MINIZIP=$ROOT/.deps/minizip
[ -f "$MINIZIP/unzip.c" ] || { echo "minizip sources missing: run tools/setup.sh" >&2; exit 1; }
mkdir -p "$OUT/obj"
SAN=(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1)
CXXFLAGS=(-std=c++17 -Wall -Wextra -fno-exceptions -fno-rtti -I"$ROOT" -I"$MINIZIP" -DNOUNCRYPT
          "${SAN[@]}" -fsanitize=fuzzer-no-link)
objects=()
# Everything is compiled every time (a few seconds): no stale object after a
# header change.
compile() {  # compile <compiler> <source> <object> <flags...>
  local cc=$1 src=$2 obj=$3; shift 3
  "$cc" "$@" -c "$src" -o "$obj"
  objects+=("$obj")
}
for src in unzip/archive_reader.cpp unzip/item_record.cpp unzip/item_name.cpp \
           unzip/zip_extractor.cpp unzip/file_seam_posix.cpp unzip/native_runtime_posix.cpp \
           runtime/text.cpp tests/fuzz/fuzz_archive.cpp; do
  compile clang++ "$ROOT/$src" "$OUT/obj/$(basename "${src%.cpp}").o" "${CXXFLAGS[@]}"
done
for src in unzip.c ioapi.c; do
  compile clang "$MINIZIP/$src" "$OUT/obj/minizip_${src%.c}.o" -w -DNOUNCRYPT -I"$MINIZIP" \
    "${SAN[@]}" -fsanitize=fuzzer-no-link
done
clang++ "${SAN[@]}" -fsanitize=fuzzer "${objects[@]}" -lz -o "$OUT/fuzz_archive"
python3 "$ROOT/tests/fuzz/make_seeds.py" "$OUT/seeds"
echo "built $OUT/fuzz_archive, seeds in $OUT/seeds"
