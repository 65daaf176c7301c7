#!/usr/bin/env bash
# Line and branch coverage of the reader and the engine reached by a fuzz
# corpus: builds the target with clang's source-based coverage (no
# sanitizers), replays the corpus once and prints llvm-cov's report.
# Usage: tests/fuzz/coverage.sh CORPUS_FOLDER [output folder, default build/fuzz-coverage]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
CORPUS=$(cd "$1" && pwd)
OUT=${2:-$ROOT/build/fuzz-coverage}
MINIZIP=$ROOT/.deps/minizip
mkdir -p "$OUT"
COV=(-fprofile-instr-generate -fcoverage-mapping -O1 -g)
sources=(unzip/archive_reader.cpp unzip/item_record.cpp unzip/item_name.cpp unzip/zip_extractor.cpp
         unzip/file_seam_posix.cpp unzip/native_runtime_posix.cpp runtime/text.cpp tests/fuzz/fuzz_archive.cpp)
clang -c -w -DNOUNCRYPT "${COV[@]}" -I"$MINIZIP" "$MINIZIP/unzip.c" -o "$OUT/unzip.o"
clang -c -w -DNOUNCRYPT "${COV[@]}" -I"$MINIZIP" "$MINIZIP/ioapi.c" -o "$OUT/ioapi.o"
clang++ -std=c++17 -fno-exceptions -fno-rtti -DNOUNCRYPT "${COV[@]}" -fsanitize=fuzzer -I"$ROOT" -I"$MINIZIP" \
  "${sources[@]/#/$ROOT/}" "$OUT/unzip.o" "$OUT/ioapi.o" -lz -o "$OUT/fuzz_archive_coverage"
cd "$OUT"
LLVM_PROFILE_FILE="$OUT/replay.profraw" ./fuzz_archive_coverage -runs=0 "$CORPUS" >/dev/null 2>&1
llvm-profdata merge -sparse "$OUT/replay.profraw" -o "$OUT/replay.profdata"
llvm-cov report "$OUT/fuzz_archive_coverage" -instr-profile="$OUT/replay.profdata" \
  "$ROOT"/unzip/archive_reader.cpp "$ROOT"/unzip/zip_extractor.cpp "$ROOT"/unzip/item_record.cpp \
  "$ROOT"/unzip/item_name.cpp "$MINIZIP/unzip.c"
