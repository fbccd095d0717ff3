#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN=${1:-30}
BUILD_DIR=build-fuzz
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVANE_BUILD_TESTS=OFF -DORVANE_BUILD_FUZZERS=ON >/dev/null
fi
cmake --build "$BUILD_DIR" --target fuzz_config_files fuzz_spreadsheet

# target, seed folder, largest input (the .xls seeds are about 6 KiB)
run() {
  local work rc=0
  work=$(mktemp -d)
  cp "$2"/* "$work"/ 2>/dev/null || true
  echo "== $1"
  "$BUILD_DIR/bin/$1" -max_total_time="$SECONDS_TO_RUN" -max_len="$3" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 "$work" 2>&1 | tail -n 12 || rc=$?
  rm -rf "$work"
  return $rc
}
# Both targets run even when the first finds something; the exit status tells.
status=0
run fuzz_config_files tests/fuzz/corpus 4096 || status=1
run fuzz_spreadsheet tests/fuzz/corpus-spreadsheet 16384 || status=1
exit $status
