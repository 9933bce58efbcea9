#!/usr/bin/env bash
# Installs what is missing, builds Strands and starts it. Arguments go to the
# program: `scripts/run.sh` opens the default table (DataSet/origin.txt),
# `scripts/run.sh my-table.csv` opens that file (relative to where you are),
# `scripts/run.sh --help` lists the options.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" run
"$root/scripts/build.sh" app
exec "$root/build/strands" "$@"
