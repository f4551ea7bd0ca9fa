#!/usr/bin/env bash
# Hardening run: one build with clang, everything instrumented for libFuzzer,
# AddressSanitizer and UBSan (build-asan/); every fuzz target over its seeds
# and a short time budget, then every test of that build under the
# sanitizers. Fails on any report.
#   FUZZ_SECONDS  fuzzing time per target (default 20)
#   FUZZ_JOBS     targets fuzzed at once (default: the number of cores)
#   FUZZ_SEED     libFuzzer's random seed (default 1, so a run repeats the
#                 last one's inputs as far as its time reaches; 0 picks one)
#   HARDEN_SKIP   "fuzz" or "sanitize" leaves that half out
#   SANITIZE_EXCLUDE  a ctest -E pattern of tests to leave out
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-$(nproc)}
FUZZ_SECONDS=${FUZZ_SECONDS:-20}
FUZZ_JOBS=${FUZZ_JOBS:-$(nproc)}
FUZZ_SEED=${FUZZ_SEED:-1}
HARDEN_SKIP=${HARDEN_SKIP:-}
ASAN_BUILD=${ASAN_BUILD:-build-asan}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
status=0
start=$SECONDS
stage() { echo "== harden: $1 (at $((SECONDS - start)) s)"; }

if ! command -v clang++ >/dev/null || ! command -v clang >/dev/null; then
  echo "harden: clang is not installed (tools/deps.sh installs it)" >&2
  exit 1
fi

stage "instrumented build ($ASAN_BUILD)"
# -O1 and line tables: what the sanitizers' reports need, at half the
# compile time of -O2 -g.
tests=ON
[[ $HARDEN_SKIP == *sanitize* ]] && tests=OFF
CC=clang CXX=clang++ cmake -S . -B "$ASAN_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
  -DKORVEL_FUZZ=ON -DKORVEL_SANITIZE=ON -DKORVEL_BUILD_TESTS=$tests -DKORVEL_BUILD_BENCH=OFF \
  -DKORVEL_WERROR="${KORVEL_WERROR:-OFF}" >/dev/null
if [ $tests = ON ]; then
  cmake --build "$ASAN_BUILD" -j "$JOBS"
else
  cmake --build "$ASAN_BUILD" --target korvel_fuzz -j "$JOBS"
fi

# ---- Fuzzing ----
if [[ $HARDEN_SKIP != *fuzz* ]]; then
  stage "fuzzing"
  FUZZ_DIR=$PWD/$ASAN_BUILD/fuzz
  rm -rf "$FUZZ_DIR/logs" "$FUZZ_DIR/findings"
  mkdir -p "$FUZZ_DIR/logs" "$FUZZ_DIR/findings" "$FUZZ_DIR/corpus"
  export FUZZ_DIR FUZZ_SECONDS FUZZ_SEED LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp
  fuzz_one() {
    local t=$1
    mkdir -p "$FUZZ_DIR/corpus/$t" "$FUZZ_DIR/findings/$t"
    # New inputs go to corpus/<target>, kept between runs; the seeds stay as
    # written. The readers' own diagnostics on stdout are dropped.
    if QT_QPA_PLATFORM=offscreen "$FUZZ_DIR/$t" -max_total_time="$FUZZ_SECONDS" -seed="$FUZZ_SEED" -timeout=20 \
         -rss_limit_mb=2048 -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$FUZZ_DIR/findings/$t/" \
         "$FUZZ_DIR/corpus/$t" "$FUZZ_DIR/seeds/$t" >"$FUZZ_DIR/logs/$t.log" 2>&1; then
      echo "fuzz $t: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$FUZZ_DIR/logs/$t.log" | grep -o '[0-9]*$') runs, no report"
    else
      echo "fuzz $t: REPORT (log $FUZZ_DIR/logs/$t.log, input in $FUZZ_DIR/findings/$t/)"
      tail -n 60 "$FUZZ_DIR/logs/$t.log"
      return 1
    fi
  }
  export -f fuzz_one
  targets=$(find "$FUZZ_DIR" -maxdepth 1 -type f -executable -name 'fuzz_*' -printf '%f\n' | sort)
  if ! printf '%s\n' $targets | xargs -P "$FUZZ_JOBS" -I{} bash -c 'fuzz_one {}'; then
    status=1
  fi
fi

# ---- Tests under AddressSanitizer and UBSan ----
if [ $tests = ON ]; then
  # Every test runs here, the web-engine ones included. Leak checking is off:
  # Qt's offscreen platform leaves its screen objects behind at exit (the
  # fuzz targets check leaks input by input).
  exclude=()
  [ -n "${SANITIZE_EXCLUDE:-}" ] && exclude=(-E "$SANITIZE_EXCLUDE")
  export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
  stage "sanitizer tests ($ASAN_BUILD)"
  if ! (cd "$ASAN_BUILD" && ctest --output-on-failure -j "${TEST_JOBS:-$(nproc)}" "${exclude[@]}"); then
    status=1
  fi
fi
stage "done"
exit $status
