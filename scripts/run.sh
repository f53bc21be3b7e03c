#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it on its bundled data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD=${KORVAN_BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVAN_BUILD_TESTS=OFF \
      -DKORVAN_BUILD_BENCH=OFF
cmake --build "$BUILD" -j "$(nproc)" --target korvan korvan-cli
# The Data folder beside the executable is created with the installation data on first start.
exec "$BUILD/bin/korvan" "$@"
