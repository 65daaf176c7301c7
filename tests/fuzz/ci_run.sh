#!/usr/bin/env bash
# The short fuzz run of CI: builds the native fuzz target (tests/fuzz/build.sh)
# into OUT, replays the seed corpus, then fuzzes for a bounded time. Any crash,
# sanitizer report or guard finding fails it; the input that caused it is left
# in OUT as crash-*, leak-* or timeout-*.
# Usage: tests/fuzz/ci_run.sh OUT [seconds, default 45]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=$1
SECONDS_TO_RUN=${2:-45}
"$ROOT/tests/fuzz/build.sh" "$OUT"
rm -rf "$OUT/corpus" && mkdir -p "$OUT/corpus"
cd "$OUT"
./fuzz_archive -max_total_time="$SECONDS_TO_RUN" -max_len=4096 -timeout=25 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$OUT/" corpus seeds 2>&1 | grep -v '^#[0-9]*[[:space:]]*\(NEW\|REDUCE\|pulse\)'
