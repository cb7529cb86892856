#!/usr/bin/env bash
# Installs what is missing, builds everything with the tests and runs them.
# EKALDO_SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh --test
build_dir=build-test
sanitize=OFF
if [ "${EKALDO_SANITIZE:-0}" = "1" ]; then
  build_dir=build-asan
  sanitize=ON
fi
# Benchmarks are for measuring, not for testing: they are built by ./run.sh and by hand.
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DEKALDO_BUILD_TESTS=ON -DEKALDO_BUILD_BENCH=OFF -DEKALDO_SANITIZE=$sanitize >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build_dir"
ctest --output-on-failure -j"$(nproc)" --timeout 600
