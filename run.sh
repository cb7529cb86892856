#!/usr/bin/env bash
# Installs what is missing, builds a release build in build/ and starts e-Κάλντο.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DEKALDO_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
if [ -x build/tools/make-demo-school/make-demo-school ] && [ ! -d build/app/MV202526.SYR ]; then
  build/tools/make-demo-school/make-demo-school build/app/MV202526.SYR
fi
exec build/app/ekaldo "$@"
