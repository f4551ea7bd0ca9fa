#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test headless,
# then the hardening run (fuzz targets and the tests under the sanitizers).
# Warnings fail both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
stage() { echo "== $1 (at $((SECONDS - start)) s)"; }
stage "packages"
tools/deps.sh
BUILD_DIR=${BUILD_DIR:-build}
export BUILD_DIR KORVEL_WERROR=ON
stage "build ($BUILD_DIR)"
# Optimised as the program ships but without debug info, which costs compile
# and link time on small machines (the sanitizer build has line tables).
tools/build.sh -DKORVEL_BUILD_TESTS=ON -DKORVEL_WERROR=ON \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG"
stage "layers and writes"
python3 tools/check-layers.py "$BUILD_DIR"
python3 tools/check-writes-selftest.py
python3 tools/check-writes.py
stage "tests ($BUILD_DIR)"
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
(cd "$BUILD_DIR" && ctest --output-on-failure -j "${TEST_JOBS:-$(nproc)}" "$@")
# Fuzz targets and the sanitizer test run (HARDEN=0 leaves them out).
if [ "${HARDEN:-1}" != 0 ]; then
  stage "hardening"
  tools/harden.sh
fi
