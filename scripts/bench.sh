#!/usr/bin/env bash
# Builds a release build and runs the benchmarks on SQLite and a throwaway PostgreSQL server.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
ORVANE_BUILD_DIR=build-release ORVANE_BUILD_TYPE=Release ./scripts/build.sh
PORT=56432
while (exec 3<>/dev/tcp/127.0.0.1/$PORT) 2>/dev/null; do PORT=$((PORT + 1)); done
PGDIR=$(mktemp -d)
./scripts/pg_throwaway.sh start "$PGDIR" "$PORT"
trap './scripts/pg_throwaway.sh stop "$PGDIR"' EXIT
export ORVANE_TEST_PG_SERVER="127.0.0.1:$PORT" ORVANE_TEST_PG_USER=postgres ORVANE_TEST_PG_PASSWORD=postgres
build-release/bin/bench_dataset "$@"
