#!/usr/bin/env bash
# Builds the program and starts it in the folder "run/" on its default database.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCARVANTEL_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
if [ ! -x build/release/CarVantel ]; then
  echo "The libraries are built; the program itself is not written yet."
  exit 0
fi
mkdir -p run
cd run
exec ../build/release/CarVantel "$@"
