#!/usr/bin/env bash
# End to end: unsaved work outlives a killed program and a quit. Operators
# and a hint point are made in the window; once the work is kept (the
# recovery file appears after a pause) the program is killed with SIGKILL.
# Started again on the same table it offers the work in a dialog, and Return
# restores it: the view shows the same picture, to the pixel. Escape then
# quits at once (nothing asks), and a start with --recover gives back the
# same item lists without a dialog; SIGTERM keeps even the last change.
set -uo pipefail
source "$(dirname "$0")/../e2e_lib.bash"
e2e_setup "$@"
wait_limit=${E2E_WAIT:-60}

state="$XDG_STATE_HOME/strands"
# The latest recovery file of the default table (not a set-aside one, whose
# name carries its time), or nothing.
recovery_file() { ls "$state"/origin-????????????????.recovery.json 2>/dev/null | head -1; }
recovery_kept() { [[ -n "$(recovery_file)" ]]; }
# The item lists (every node's and group's, in order) of a session file.
item_lists() { grep -o '"items":\[[0-9,]*\]' "$1"; }
view_checksum() { import -window root -crop "1000x500+$view_x+$view_y" +repage -depth 8 rgb:- 2>/dev/null | cksum; }
# The view's picture once two frames in a row agree (its lines fill in over frames).
settled_view() {
  local last now
  last=$(view_checksum)
  for ((k = 0; k < wait_limit * 10; k++)); do
    sleep 0.1
    now=$(view_checksum)
    [[ "$now" == "$last" ]] && { echo "$now"; return; }
    last=$now
  done
  echo "$now"
}
view_shows() { [[ "$(view_checksum)" == "$1" ]]; }
view_differs() { ! view_shows "$1"; }
# A dialog titled "Strands" other than the main window, mapped: its geometry.
dialog_at() {
  xwininfo -root -children 2>/dev/null | awk '/"Strands": \(/ && !/1600x572[+]/ {
    for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+[+]/) { print $1, $i; exit } }' |
    while read -r id geometry; do
      xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable" && echo "$geometry"
    done
}
dialog_shown() { [[ -n "$(dialog_at)" ]]; }
no_dialog() { [[ -z "$(dialog_at)" ]]; }
# Moves the pointer onto the status line, away from every line of the view.
pointer_away() { xdotool mousemove $((wx + 800)) $((wy + 560)); }

# 1. Work: a primary and a secondary operator, a hint point on the third axis.
start_app_on_default_table
xdotool mousemove $((view_x + 160)) $((view_y + 250)) click 1
wait_for "$wait_limit" grep -q '^31$' "$WORK/out" || fail "no operator was created"
xdotool mousemove $((view_x + 620)) $((view_y + 180)) click 3
axis_x=$(awk 'BEGIN { printf "%d", 1000 * (0.05 + 0.9 * 2 / 7) }')
xdotool mousemove $((view_x + axis_x + 3)) $((view_y + 230)) keydown Control_L click 1 keyup Control_L
wait_for "$wait_limit" grep -q '^add hint point at ' "$WORK/out" || fail "no hint point was added"
pointer_away
wait_for "$wait_limit" recovery_kept || fail "the work was not kept after a pause"
wait_for "$wait_limit" grep -q '"primary":false' "$(recovery_file)" || fail "the kept work lacks the secondary operator"
before=$(settled_view)
kept_items=$(item_lists "$(recovery_file)")

# 2. Killed: nothing gets the chance to save.
kill -9 "$APP_PID"
wait "$APP_PID" 2>/dev/null
APP_PID=""

# 3. Started again: the work is offered; Return restores it.
start_app "$WORK/app"
wait_for_view
wait_for "$wait_limit" dialog_shown || fail "the kept work was not offered"
IFS='x+' read -r dw dh dx dy <<<"$(dialog_at)"
xdotool mousemove $((dx + dw / 2)) $((dy + dh / 2)) key Return
wait_for "$wait_limit" grep -q '^Restored the unsaved work in ' "$WORK/out" || fail "Return did not restore the work"
wait_for "$wait_limit" no_dialog || fail "the dialog stayed"
pointer_away
wait_for "$wait_limit" view_shows "$before" || fail "the restored view differs from the one before the kill"

# 4. Escape quits at once; the work is kept on the way out.
press_over_main_window Escape
wait_exit "$wait_limit"
[[ "$EXIT_STATUS" == "0" ]] || fail "Escape ended with status $EXIT_STATUS"
[[ "$(item_lists "$(recovery_file)")" == "$kept_items" ]] || fail "the work kept on quitting has other item lists"

# 5. --recover restores it without asking: the same item lists again.
start_app "$WORK/app" --recover
wait_for_view
wait_for "$wait_limit" grep -q '^Restored the unsaved work in ' "$WORK/out" || fail "--recover did not restore the work"
no_dialog || fail "--recover asked"
pointer_away
wait_for "$wait_limit" view_shows "$before" || fail "the view after --recover differs"
[[ "$(item_lists "$(recovery_file)")" == "$kept_items" ]] || fail "the item lists after --recover differ"

# 6. SIGTERM (a desktop session's end) ends the program as Exit does, the
#    last change kept: the histograms hidden just before.
press_over_main_window h
pointer_away
wait_for "$wait_limit" view_differs "$before" || fail "H did not hide the histograms"
kill -TERM "$APP_PID"
wait_exit "$wait_limit"
[[ "$EXIT_STATUS" == "0" ]] || fail "SIGTERM ended with status $EXIT_STATUS"
grep -q '"histograms":false' "$(recovery_file)" || fail "the change made just before SIGTERM was not kept"
[[ "$(item_lists "$(recovery_file)")" == "$kept_items" ]] || fail "the item lists kept on SIGTERM differ"
echo "recovery: ok"
