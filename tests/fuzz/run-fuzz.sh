#!/usr/bin/env bash
# Builds the table codec's fuzz target with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs it for SECONDS (default 600), seeded
# with the demo school's tables and, when present, the shared Paradox samples.
# Findings are written into the build folder as crash-*, timeout-*, leak-*.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-600}"
CC=clang CXX=clang++ cmake -S "$root/tests/fuzz" -B "$build" >/dev/null
cmake --build "$build" -j2
corpus="$build/corpus"
mkdir -p "$corpus"
school="$(mktemp -d)"
trap 'rm -rf "$school"' EXIT
"$build/fuzz_seed_school" "$school/MV202526.SYR"
for f in "$school"/MV202526.SYR/*.DB; do cp "$f" "$corpus/seed-$(basename "$f")"; done
samples="${EKALDO_SHARED_DIR:-$root/../shared}/paradox-samples"
if [ -d "$samples" ]; then
  for f in "$samples"/*.DB "$samples"/*.db; do [ -f "$f" ] && cp "$f" "$corpus/sample-$(basename "$f")"; done
fi
cd "$build"
exec ./paradox_table_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=400000 "$corpus"
