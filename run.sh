#!/usr/bin/env bash
# Installs what is missing, builds, creates a demo installation beside the program when there
# is none, and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
./scripts/build.sh
BIN=build/bin
if [ ! -f "$BIN/Korvel.XIX" ]; then
  echo "Creating a demo installation in $BIN"
  "$BIN/orvane-admin" demo --dir "$BIN"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found; starting the program on a virtual display (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$BIN/orvane" "$@"
fi
exec "$BIN/orvane" "$@"
