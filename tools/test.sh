#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
BUILD_DIR=${BUILD_DIR:-build}
export BUILD_DIR
tools/build.sh -DKORVEL_BUILD_TESTS=ON
python3 tools/check-layers.py "$BUILD_DIR"
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
(cd "$BUILD_DIR" && ctest --output-on-failure -j "${TEST_JOBS:-$(nproc)}" "$@")
# Fuzz targets and the sanitizer test run (HARDEN=0 leaves them out).
if [ "${HARDEN:-1}" != 0 ]; then
  tools/harden.sh
fi
