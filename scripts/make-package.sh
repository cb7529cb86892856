#!/usr/bin/env bash
# Installs what is missing, builds a release build in build-pkg/ and makes the
# Debian package build-pkg/ekaldo_<version>_<arch>.deb with cpack.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --package
cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DEKALDO_BUILD_TESTS=OFF -DEKALDO_BUILD_BENCH=OFF >/dev/null
cmake --build build-pkg -j"$(nproc)"
(cd build-pkg && cpack -G DEB)
ls -1 build-pkg/ekaldo_*.deb
