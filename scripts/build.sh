#!/usr/bin/env bash
# Configures and builds one build tree.
#   scripts/build.sh            -> build/       (optimised, with debug info)
#   scripts/build.sh sanitize   -> build-asan/  (AddressSanitizer + UBSan)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

case "${1:-release}" in
  release)
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$root/build" -j "$jobs"
    ;;
  sanitize)
    cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DSTRANDS_SANITIZE=ON \
          -DSTRANDS_BUILD_BENCH=OFF >/dev/null
    cmake --build "$root/build-asan" -j "$jobs"
    ;;
  *)
    echo "usage: $0 [release|sanitize]" >&2
    exit 2
    ;;
esac
