#!/usr/bin/env bash
# Builds everything with the sanitizers on and runs every test suite in parallel.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCARVANTEL_SANITIZE=ON -DCARVANTEL_BENCH=ON >/dev/null
cmake --build build/test -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
ctest --test-dir build/test -j"$(nproc)" --output-on-failure --timeout 300
