#!/usr/bin/env bash
# Builds and runs the whole test suite (after scripts/setup.sh has installed the packages).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
