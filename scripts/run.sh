#!/usr/bin/env bash
# Builds the program and starts it in the folder "run/", on its default database there
# ("CarVantel.mdb", copied from the template "EmptyBase.mdb" on the first start). The settings
# file "Set.dll" is kept beside the program, in build/release/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCARVANTEL_TESTS=OFF >/dev/null
cmake --build build/release --target CarVantel -j"$(nproc)"
mkdir -p run
cd run
exec ../build/release/CarVantel "$@"
