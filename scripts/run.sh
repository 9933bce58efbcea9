#!/usr/bin/env bash
# Installs what is missing, builds Strands and starts it on the default table
# (DataSet/origin.txt), with the repository root as working directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" release
cd "$root"
exec "$root/build/strands"
