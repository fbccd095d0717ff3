#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
./scripts/build.sh

export QT_QPA_PLATFORM=offscreen
status=0
(cd build && ctest --output-on-failure --timeout 900 -j2) || status=$?

# A short run of the real fuzzer over the configuration reader (clang's libFuzzer).
if [ "${ORVANE_SKIP_FUZZ:-0}" != 1 ]; then
  ./scripts/fuzz.sh "${ORVANE_FUZZ_SECONDS:-30}" || status=1
fi
exit $status
