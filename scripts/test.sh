#!/usr/bin/env bash
# Installs what is missing, builds Strands twice (optimised, and with
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs the whole test suite
# of both builds under a private Xvfb display. Ends non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

"$root/scripts/setup.sh" test
"$root/scripts/build.sh" release
"$root/scripts/build.sh" sanitize

export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="verify_asan_link_order=0:detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

status=0
echo "== Tests (optimised build) =="
STRANDS_XVFB_SERVERS=$jobs "$root/scripts/with-xvfb.sh" ctest --test-dir "$root/build" --output-on-failure --no-tests=error -j "$jobs" || status=1
echo "== Tests (AddressSanitizer + UndefinedBehaviorSanitizer build) =="
STRANDS_XVFB_SERVERS=$jobs "$root/scripts/with-xvfb.sh" ctest --test-dir "$root/build-asan" --output-on-failure --no-tests=error -j "$jobs" || status=1
exit $status
