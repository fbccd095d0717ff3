#!/usr/bin/env bash
# Configures and builds into build/ (or $ORVANE_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${ORVANE_BUILD_DIR:-build}
BUILD_TYPE=${ORVANE_BUILD_TYPE:-RelWithDebInfo}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE"
fi
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
