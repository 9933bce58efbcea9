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

# --color-by names a column with an axis, or the program ends at once (before any window) with status 2.
run --color-by nosuch "$SOURCE_DIR/DataSet/cars.csv"
[[ $STATUS == 2 ]] || fail "an unknown --color-by column ended with status $STATUS"
grep -qF "option '--color-by': the table has no column \"nosuch\" (its columns: name, mpg," "$WORK/err" ||
  fail "no message naming the unknown column: $(cat "$WORK/err")"
run --color-by name "$SOURCE_DIR/DataSet/cars.csv"
[[ $STATUS == 2 ]] || fail "--color-by the names ended with status $STATUS"
grep -qF "cannot colour the lines by \"name\": it is the items' names" "$WORK/err" || fail "no reason for the names column"
run --color-by '' "$SOURCE_DIR/DataSet/cars.csv"
[[ $STATUS == 2 ]] || fail "an empty --color-by ended with status $STATUS"

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
grep -qF "File parsing error" "$WORK/err" && fail "a missing table is said to be badly formatted"
run --export '' "$SOURCE_DIR/DataSet/iris.csv"
[[ $STATUS == 2 ]] || fail "an empty export name ended with status $STATUS"
grep -qF "the export file name is empty" "$WORK/err" || fail "no message about the empty export name"

# What the batch run reads is never what it writes, whatever the spelling
# (the session it read: tests/app/FileCommandsTest.cpp).
table="$WORK/t.csv"
cp "$SOURCE_DIR/DataSet/iris.csv" "$table"
ln "$table" "$WORK/hard.csv"
for target in "$table" "$WORK/hard.csv" "$WORK/../$(basename "$WORK")/t.csv"; do
  run --export "$target" "$table"
  [[ $STATUS == 1 ]] || fail "an export over the table ($target) ended with status $STATUS"
  grep -qF "is the table" "$WORK/err" || fail "no message that $target is the table"
done
cmp -s "$table" "$SOURCE_DIR/DataSet/iris.csv" || fail "the table was changed"

# Links are written through; pipes, devices, folders and read-only files are refused and kept.
echo old >"$WORK/real.csv"
ln -s real.csv "$WORK/link.csv"
run --export "$WORK/link.csv" "$table"
[[ $STATUS == 0 && -L "$WORK/link.csv" ]] || fail "the export replaced the link (status $STATUS)"
[[ $(wc -l <"$WORK/real.csv") -eq 151 ]] || fail "the link's target does not hold the export"
chmod 600 "$WORK/real.csv"
run --export "$WORK/real.csv" "$table"
[[ $(stat -c %a "$WORK/real.csv") == 600 ]] || fail "the export lost the file's mode 0600"
echo kept >"$WORK/locked.csv"
chmod 444 "$WORK/locked.csv"
run --export "$WORK/locked.csv" "$table"
[[ $STATUS == 1 && $(cat "$WORK/locked.csv") == kept ]] || fail "a read-only target was replaced (status $STATUS)"
mkfifo "$WORK/fifo"
run --export "$WORK/fifo" "$table"
[[ $STATUS == 1 && -p "$WORK/fifo" ]] || fail "a named pipe as the target: status $STATUS"
STATUS=0; timeout 20 "$STRANDS_BIN" --export /proc/self/fd/1 "$table" 2>"$WORK/err" | cat >"$WORK/out" || STATUS=${PIPESTATUS[0]}
[[ $STATUS == 1 ]] || fail "standard output (a pipe) as the target: status $STATUS"
grep -qF "not a regular file" "$WORK/err" || fail "no message that standard output is a pipe"
for input in "$WORK/fifo" "$WORK"; do
  run --export "$WORK/none.csv" "$input"
  [[ $STATUS == 1 ]] || fail "$input as the table: status $STATUS (124: it waited)"
  run --session "$input" --export "$WORK/none.csv"
  [[ $STATUS == 1 ]] || fail "$input as the session: status $STATUS (124: it waited)"
done
grep -qF "Is a directory" "$WORK/err" || fail "a folder as the session is not called one"
long="$WORK/$(printf 'n%.0s' {1..246}).csv"
run --export "$long" "$table"
[[ $STATUS == 0 && -s "$long" ]] || fail "a 250-character file name was refused (status $STATUS)"

# A device as the target, for root in a mount namespace of its own with a
# /dev of its own (the system's /dev/null is never at risk).
if [[ $(id -u) == 0 ]] && unshare --mount true 2>/dev/null; then
  unshare --mount bash -c '
    mount -t tmpfs none /dev && mknod -m 666 /dev/null c 1 3 || exit 3
    timeout 20 "$1" --export /dev/null "$2" >/dev/null 2>"$3"; status=$?
    [[ $status == 1 && -c /dev/null ]] || exit 4' _ "$STRANDS_BIN" "$table" "$WORK/err"
  device=$?
  [[ $device == 0 ]] || fail "--export /dev/null (status $device: 3 no private /dev, 4 not refused or replaced)"
  grep -qF "a character device, not a regular file" "$WORK/err" || fail "no message that /dev/null is a device"
else
  echo "SKIP: --export /dev/null needs root and unshare --mount to run without risk"
fi

# The default table is what the working directory holds by that name, even a folder.
mkdir -p "$WORK/DataSet/origin.txt"
run --help
grep -qF "Default table here: ./DataSet/origin.txt  (not a regular file)" "$WORK/out" ||
  fail "a folder as ./DataSet/origin.txt is passed over"
echo "command_line: ok"
