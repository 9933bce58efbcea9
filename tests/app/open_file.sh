#!/usr/bin/env bash
# End to end: `strands FILE` started in a folder that is not the repository
# root opens FILE (absolute, or relative to that folder), finds its icons
# (the operator's lock is drawn from its image) and ends with status 0 on
# Ctrl+Q. A FILE that cannot be read opens an empty view and a dialog that
# says why.
set -uo pipefail
source "$(dirname "$0")/../e2e_lib.bash"
e2e_setup "$@"

mkdir -p "$WORK/tables" "$WORK/cwd"
cp "$SOURCE_DIR/DataSet/iris.csv" "$WORK/tables/my iris.csv"

# 1. An absolute path, from an empty working directory.
start_app "$WORK/cwd" "$WORK/tables/my iris.csv"
wait_for_view
wait_for "$E2E_WAIT" grep -q "Histogram built!" "$WORK/out" || fail "loader lines missing"
[[ "$(head -2 "$WORK/out")" == $'5 dimensions in total.\n150 data items in total.' ]] || fail "not the iris table"
check_operator_lock_icon
quit_with ctrl+q
[[ "$EXIT_STATUS" == "0" ]] || fail "Ctrl+Q ended with status $EXIT_STATUS"

# 2. A path relative to the working directory.
start_app "$WORK/tables" "my iris.csv"
wait_for_view
wait_for "$E2E_WAIT" grep -q "^150 data items in total.$" "$WORK/out" || fail "relative path: not the iris table"
quit_with ctrl+q
[[ "$EXIT_STATUS" == "0" ]] || fail "Ctrl+Q ended with status $EXIT_STATUS (relative path)"

# 3. A file that does not exist: an empty (white) view, the reason on
# standard error and in a dialog; closing the dialog leaves the program running.
start_app "$WORK/cwd" "$WORK/tables/absent.csv"
wait_for_view
wait_for "$E2E_WAIT" dialog_shown || fail "no dialog for the missing file"
grep -qF "Cannot open \"$WORK/tables/absent.csv\": No such file or directory. The view starts empty." "$WORK/err" ||
  fail "no reason on standard error"
grep -q "created successfully" "$WORK/out" && fail "success reported for a missing file"
IFS='x+' read -r dw dh dx dy <<<"$(dialog_geometry viewable)"
xdotool mousemove $((dx + dw / 2)) $((dy + dh / 2)) key Return
wait_for "$E2E_WAIT" no_dialog || fail "the dialog did not close on Return"
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended with the dialog"
# Where the lines of a table would cross the view (the dialog may have lain
# over it: the view repaints once it is gone).
wait_for "$E2E_WAIT" pixel_is_white $((view_x + 160)) $((view_y + 250)) || fail "the view is not empty"
wait_for "$E2E_WAIT" pixel_is_white $((view_x + 700)) $((view_y + 300)) || fail "the view is not empty"
quit_with ctrl+q
[[ "$EXIT_STATUS" == "0" ]] || fail "Ctrl+Q ended with status $EXIT_STATUS (missing file)"
echo "open_file: ok"
