#!/usr/bin/env bash
# Runs the tests that drive windows (the end-to-end scripts and the GUI
# tests that wait for frames, dialogs and workers) several times in a row
# while the machine is kept busy, under a private Xvfb; stops at the first
# failure. A test that fails only on a busy machine fails here.
#
#   scripts/stress-check.sh [--runs N] [--asan] [--load cpu|build|none] [--tests REGEX]
#
#   --runs N       how many runs in a row (default 10)
#   --asan         the sanitizer build (build-asan/) instead of build/
#   --load cpu     stress-ng --cpu 2 beside the tests (default)
#   --load build   a parallel build of the project beside them instead (a
#                  fresh tree in build-stress/, rebuilt from scratch each run)
#   --load none    nothing beside them
#   --tests REGEX  the ctest names to run (default: every end-to-end script
#                  and the GUI suites that wait)
# The build tree must exist (scripts/build.sh [sanitize]).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

runs=10 tree="$root/build" load=cpu
tests='^(app|graph|pcview)\.[a-z_]+$|^(FileCommandsTest|MainWindowTest|TableLoadingTest|LineLayerTest|DensityProgressTest|GraphDrawingTest|InteractionTest)\.'
while (($#)); do
  case "$1" in
    --runs) runs=${2:?--runs needs a value}; shift 2 ;;
    --asan) tree="$root/build-asan"; shift ;;
    --load) load=${2:?--load needs a value}; shift 2 ;;
    --tests) tests=${2:?--tests needs a value}; shift 2 ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "stress-check: unknown argument '$1'" >&2; exit 2 ;;
  esac
done
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "stress-check: --runs takes a whole number above 0" >&2; exit 2; }
[[ -f "$tree/CTestTestfile.cmake" ]] || { echo "stress-check: no build in $tree (run scripts/build.sh first)" >&2; exit 2; }

if [[ -z "${STRANDS_STRESS_DISPLAY:-}" ]]; then
  STRANDS_STRESS_DISPLAY=1 exec "$root/scripts/with-xvfb.sh" "$0" --runs "$runs" --load "$load" --tests "$tests" \
    $([[ "$tree" == */build-asan ]] && echo --asan)
fi

if [[ "$tree" == */build-asan ]]; then
  export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
  export ASAN_OPTIONS="verify_asan_link_order=0:detect_leaks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi

# The load beside the tests: only the process started here is stopped.
load_pid=""
stop_load() {
  if [[ -n "$load_pid" ]]; then
    kill -- "-$load_pid" 2>/dev/null || kill "$load_pid" 2>/dev/null || true
    wait "$load_pid" 2>/dev/null || true
    load_pid=""
  fi
}
trap stop_load EXIT
trap 'stop_load; exit 130' INT TERM
case "$load" in
  cpu)
    command -v stress-ng >/dev/null || { echo "stress-check: stress-ng is missing (apt-get install stress-ng)" >&2; exit 2; }
    set -m; stress-ng --cpu 2 --quiet & load_pid=$!; set +m ;;
  build)
    set -m
    ( while true; do
        rm -rf "$root/build-stress"
        cmake -S "$root" -B "$root/build-stress" -DSTRANDS_BUILD_BENCH=OFF >/dev/null 2>&1 &&
          CCACHE_DISABLE=1 cmake --build "$root/build-stress" -j 2 >/dev/null 2>&1 || true
      done ) & load_pid=$!
    set +m ;;
  none) ;;
  *) echo "stress-check: --load takes cpu, build or none" >&2; exit 2 ;;
esac

log="$tree/stress-check.log"
echo "stress-check: $runs runs of the tests matching '$tests' in $tree, load: $load"
for ((run = 1; run <= runs; run++)); do
  start=$(date +%s)
  if ctest --test-dir "$tree" -R "$tests" --output-on-failure --no-tests=error >"$log" 2>&1; then
    echo "run $run/$runs: passed ($(grep -oE '[0-9]+ tests passed|tests passed, 0 tests failed out of [0-9]+' "$log" | tail -1), $(( $(date +%s) - start ))s)"
  else
    echo "run $run/$runs: FAILED ($(( $(date +%s) - start ))s)"
    grep -E "Failed|\*\*\*|FAIL" "$log" | head -20
    echo "(the whole log: $log)"
    exit 1
  fi
done
echo "stress-check: $runs runs in a row passed"
