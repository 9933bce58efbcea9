#!/usr/bin/env bash
# Configures and builds one build tree.
#   scripts/build.sh app        -> build/         the program only (tests and benchmarks
#                                                  as the tree was configured before, off in a new tree)
#   scripts/build.sh [release]  -> build/         everything: program, tests, benchmarks
#   scripts/build.sh sanitize   -> build-asan/    program and tests with AddressSanitizer + UBSan
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

case "${1:-release}" in
  app)
    if [[ ! -f "$root/build/CMakeCache.txt" ]]; then
      cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DSTRANDS_BUILD_TESTS=OFF -DSTRANDS_BUILD_BENCH=OFF >/dev/null
    fi
    cmake --build "$root/build" -j "$jobs" --target strands
    ;;
  release)
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DSTRANDS_BUILD_TESTS=ON -DSTRANDS_BUILD_BENCH=ON >/dev/null
    cmake --build "$root/build" -j "$jobs"
    ;;
  sanitize)
    cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DSTRANDS_SANITIZE=ON \
          -DSTRANDS_BUILD_TESTS=ON -DSTRANDS_BUILD_BENCH=OFF >/dev/null
    cmake --build "$root/build-asan" -j "$jobs"
    ;;
  *)
    echo "usage: $0 [app|release|sanitize]" >&2
    exit 2
    ;;
esac
