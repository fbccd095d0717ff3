#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, when any is missing.
set -euo pipefail

PACKAGES=(cmake g++ ninja-build pkgconf ccache
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite libqt6sql6-psql
  zlib1g-dev libxlsxwriter-dev libfreexl-dev libminizip-dev libsodium-dev postgresql
  libbenchmark-dev fonts-wqy-zenhei poppler-utils xvfb xauth xlsx2csv clang libclang-rt-14-dev libsqlite3-dev postgresql-client)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
