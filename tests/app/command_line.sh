#!/usr/bin/env bash
# End to end, without a display: --help and --version print and end with
# status 0, a bad command line ends with status 2 and says why on standard
# error; none of them opens a window.
set -uo pipefail
source "$(dirname "$0")/../e2e_lib.bash"
STRANDS_BIN=$1
SOURCE_DIR=$2
e2e_setup_work
unset DISPLAY
cd "$WORK"

# Runs the program with the given arguments; sets STATUS, and leaves its output in $WORK/out and $WORK/err.
run() { STATUS=0; timeout 20 "$STRANDS_BIN" "$@" >"$WORK/out" 2>"$WORK/err" || STATUS=$?; }

run --help
[[ $STATUS == 0 ]] || fail "--help ended with status $STATUS"
for text in "Usage: strands [OPTIONS] [FILE]" "--version" "--help" "DataSet/origin.txt" \
            "  $SOURCE_DIR" "Default table here: $SOURCE_DIR/DataSet/origin.txt"; do
  grep -qF -- "$text" "$WORK/out" || fail "--help does not mention '$text'"
done
[[ ! -s "$WORK/err" ]] || fail "--help wrote to standard error"

for option in --version -V; do
  run "$option"
  [[ $STATUS == 0 ]] || fail "$option ended with status $STATUS"
  grep -qE '^strands [0-9]+\.[0-9]+\.[0-9]+$' "$WORK/out" || fail "$option printed '$(cat "$WORK/out")'"
done

run --bogus "$SOURCE_DIR/DataSet/iris.csv"
[[ $STATUS == 2 ]] || fail "an unknown option ended with status $STATUS"
grep -qF "strands: unknown option '--bogus'" "$WORK/err" || fail "no message naming the unknown option"
grep -qF "Usage: strands" "$WORK/err" || fail "no usage after the error"
[[ ! -s "$WORK/out" ]] || fail "an unknown option wrote to standard output"

run one.csv two.csv
[[ $STATUS == 2 ]] || fail "two files ended with status $STATUS"
grep -qF "one data file at a time" "$WORK/err" || fail "no message about the two files"
echo "command_line: ok"
