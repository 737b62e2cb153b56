#!/usr/bin/env bash
# Draws the program's windows under a virtual display, each over a small seeded shop, and
# renews the pictures in docs/: the main window with a finished order, the invoice's first page
# and the cash box with a day. Every window's picture is left in build/shots/ to look at.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCARVANTEL_SANITIZE=ON -DCARVANTEL_BENCH=ON >/dev/null
cmake --build build/test --target app_core_tests -j"$(nproc)"
shots="$PWD/build/shots"
rm -rf "$shots"
mkdir -p "$shots"
CARVANTEL_SHOTS="$shots" QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
  xvfb-run -a -s '-screen 0 1280x1024x24' build/test/tests/app_core_tests --gtest_filter='ShotsTest.*'
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$shots/invoice.pdf" "$shots/invoice"
cp "$shots/main-window.png" "$shots/invoice.png" "$shots/cash-box.png" docs/
echo "docs/ renewed; every window is in $shots"
