#!/usr/bin/env bash
# Builds the libFuzzer target with clang and runs it for the given number of seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN=${1:-30}
BUILD_DIR=build-fuzz
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVANE_BUILD_TESTS=OFF -DORVANE_BUILD_FUZZERS=ON >/dev/null
fi
cmake --build "$BUILD_DIR" --target fuzz_config_files
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cp tests/fuzz/corpus/* "$WORK"/ 2>/dev/null || true
"$BUILD_DIR/bin/fuzz_config_files" -max_total_time="$SECONDS_TO_RUN" -max_len=4096 \
  -rss_limit_mb=2048 -print_final_stats=1 "$WORK" 2>&1 | tail -n 12
