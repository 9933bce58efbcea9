#!/usr/bin/env bash
# End to end: the real program starts on the default table, prints the loader's
# lines, shows its main window and ends with status 0 on Ctrl+Q; a copy of it
# that finds no default table anywhere still opens the window.
set -uo pipefail
source "$(dirname "$0")/../e2e_lib.bash"
e2e_setup "$@"

# 1. A working directory with the shipped default table.
start_app_on_default_table
expected=$(cat <<'LINES'
9 dimensions in total.
392 data items in total.
Fist dimension is data item names.
Columns: "name" name, "mpg" numeric, "cylinders" numeric, "displacement" numeric, "horsepower" numeric, "weight" numeric, "acceleration" numeric, "year" numeric, "origin" numeric
Multidimensional data created successfully!
Data normalized!
Difference matrix calculated!
Histogram built!
LINES
)
wait_for "$E2E_WAIT" grep -q "Histogram built!" "$WORK/out" || fail "loader lines missing"
[[ "$(head -8 "$WORK/out")" == "$expected" ]] || fail "loader lines differ"

quit_with ctrl+q
[[ "$EXIT_STATUS" == "0" ]] || fail "Ctrl+Q ended with status $EXIT_STATUS"

# 2. No DataSet/origin.txt to be found: a copy of the binary outside its
# build folder (so not led to the source tree) in an empty working directory.
# The window opens over an empty table.
mkdir -p "$WORK/empty" "$WORK/elsewhere/bin"
cp "$STRANDS_BIN" "$WORK/elsewhere/bin/strands"
: >"$WORK/out"
STRANDS_BIN="$WORK/elsewhere/bin/strands" start_app "$WORK/empty"
wait_for "$E2E_WAIT" main_window_shown || fail "main window did not appear without a default table"
grep -q 'Cannot open data file "./DataSet/origin.txt": No such file or directory' "$WORK/err" || fail "no report of the missing table"
grep -q "created successfully" "$WORK/out" && fail "success reported for a missing table"
quit_with ctrl+q
[[ "$EXIT_STATUS" == "0" ]] || fail "Ctrl+Q ended with status $EXIT_STATUS (empty table)"
echo "startup: ok"
