#!/usr/bin/env bash
# Installs what is missing, builds and runs every test, on SQLite and on a throwaway
# PostgreSQL server.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
./scripts/build.sh

# A free local port for the throwaway server.
PORT=55432
while (exec 3<>/dev/tcp/127.0.0.1/$PORT) 2>/dev/null; do PORT=$((PORT + 1)); done
PGDIR=$(mktemp -d)
./scripts/pg_throwaway.sh start "$PGDIR" "$PORT"
trap './scripts/pg_throwaway.sh stop "$PGDIR"' EXIT

export QT_QPA_PLATFORM=offscreen
export ORVANE_TEST_PG_SERVER="127.0.0.1:$PORT" ORVANE_TEST_PG_USER=postgres ORVANE_TEST_PG_PASSWORD=postgres
status=0
(cd build && ctest --output-on-failure --timeout 900 -j2) || status=$?

# A short run of the real fuzzer over the configuration reader (clang's libFuzzer).
if [ "${ORVANE_SKIP_FUZZ:-0}" != 1 ]; then
  ./scripts/fuzz.sh "${ORVANE_FUZZ_SECONDS:-30}" || status=1
fi
exit $status
