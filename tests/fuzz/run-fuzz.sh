#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer
# on) and runs each for SECONDS (default 600):
#   paradox_table_fuzz  table opening, seeded with the tables of the demo school
#                       (written by our builder) and, when present, the shared samples;
#   grade_file_fuzz     grade data, template and settings files, seeded with
#                       tests/fuzz/corpus-grade-file;
#   grade_workbook_fuzz grade sheets received as workbooks (.xlsx), seeded with
#                       the parts of one in tests/fuzz/corpus-grade-workbook.
#   tests/fuzz/run-fuzz.sh [SECONDS] [TARGET...]
# The working corpora and any findings (crash-*, timeout-*, leak-*, slow-unit-*)
# stay in the build folder; the script fails when a target finds something.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-600}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(paradox_table_fuzz grade_file_fuzz grade_workbook_fuzz)

CC=clang CXX=clang++ cmake -S "$root/tests/fuzz" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)"

seed_tables() {
  local corpus="$1" school
  school="$(mktemp -d)"
  "$build/fuzz_seed_school" "$school/MV202526.SYR" >/dev/null
  for f in "$school"/MV202526.SYR/*.DB; do cp "$f" "$corpus/seed-$(basename "$f")"; done
  rm -rf "$school"
  local samples="${EKALDO_SHARED_DIR:-$root/../shared}/paradox-samples"
  if [ -d "$samples" ]; then
    for f in "$samples"/*.DB "$samples"/*.db; do
      if [ -f "$f" ]; then cp "$f" "$corpus/sample-$(basename "$f")"; fi
    done
  fi
}

cd "$build"
for target in "${targets[@]}"; do
  corpus="$build/corpus-$target"
  mkdir -p "$corpus"
  case "$target" in
    paradox_table_fuzz) seed_tables "$corpus"; max_len=400000 ;;
    grade_file_fuzz) cp "$root"/tests/fuzz/corpus-grade-file/* "$corpus/"; max_len=65536 ;;
    grade_workbook_fuzz) cp "$root"/tests/fuzz/corpus-grade-workbook/* "$corpus/"; max_len=262144 ;;
    *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
  esac
  echo "== $target, $seconds s"
  # -timeout: one input running longer is a hang; -rss_limit_mb: a blow-up.
  "./$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
    -print_final_stats=1 "$corpus" 2>&1 | tail -n 25
  status=${PIPESTATUS[0]}
  if [ "$status" -ne 0 ]; then
    echo "$target found a fault (exit $status); the input is in $build" >&2
    exit 1
  fi
done
