#!/usr/bin/env bash
# Installs what is needed, builds and starts Korvel Tarvendel.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
tools/build.sh -DKORVEL_BUILD_TESTS=OFF -DKORVEL_BUILD_BENCH=OFF
exec "${BUILD_DIR:-build}/bin/KorvelTarvendel" "$@"
