#!/usr/bin/env bash
# Installs what is missing and makes the Debian package of Strands,
# build-package/strands_<version>_<arch>.deb, from an optimised build
# installed under /usr. Install it with `sudo apt install ./build-package/strands_*.deb`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
"$root/scripts/setup.sh" package
cmake -S "$root" -B "$root/build-package" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DSTRANDS_BUILD_TESTS=OFF -DSTRANDS_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build-package" -j "$jobs"
(cd "$root/build-package" && cpack -G DEB >/dev/null)
ls "$root"/build-package/strands_*.deb
