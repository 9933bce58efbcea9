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

run --export
[[ $STATUS == 2 ]] || fail "--export without its value ended with status $STATUS"
grep -qF "option '--export' needs a value" "$WORK/err" || fail "no message about --export's value"
run --export out.csv
[[ $STATUS == 2 ]] || fail "--export without a table ended with status $STATUS"

# The batch mode: no window, no display; 1 and nothing written when it fails.
run --export "$WORK/out.csv" "$SOURCE_DIR/DataSet/iris.csv"
[[ $STATUS == 0 ]] || fail "the batch export ended with status $STATUS: $(cat "$WORK/err")"
[[ $(wc -l <"$WORK/out.csv") -eq 151 ]] || fail "the export does not have the header and 150 rows"
head -1 "$WORK/out.csv" | grep -qx "sepal_length,sepal_width,petal_length,petal_width,species,leaf,leaf_color,group" ||
  fail "unexpected export header: $(head -1 "$WORK/out.csv")"
run --export "$WORK/none.csv" "$WORK/absent.csv"
[[ $STATUS == 1 ]] || fail "a batch run on a missing table ended with status $STATUS"
grep -qF "Nothing was exported" "$WORK/err" || fail "no message for the failed batch run"
[[ ! -e "$WORK/none.csv" ]] || fail "a failed batch run wrote its output"
echo "command_line: ok"
