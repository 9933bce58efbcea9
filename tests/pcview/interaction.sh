#!/usr/bin/env bash
# End to end: the real program on the default table answers the mouse and the
# keyboard. A click between two axes creates an operator (its angle histogram
# prints the 32 bin lines), a Ctrl+click on an axis adds a hint point and
# regroups the items, G switches the group sort on, Escape quits with status 0.
# Before them, the first axis's title dragged onto the third axis moves it
# there (the titles change places) and Ctrl+Z puts it back.
set -uo pipefail
source "$(dirname "$0")/../e2e_lib.bash"
e2e_setup "$@"

start_app_on_default_table

axis_x=$(awk 'BEGIN { printf "%d", 1000 * (0.05 + 0.9 * 2 / 7) }')
title_band="420x14+$view_x+$((view_y + 3))"
band_is() { [[ "$(region_checksum "$title_band")" == "$1" ]]; }
band_is_not() { ! band_is "$1"; }
titles=$(region_checksum "$title_band")
xdotool mousemove $((view_x + 50)) $((view_y + 10)) mousedown 1
xdotool mousemove $((view_x + 150)) $((view_y + 120)) mousemove $((view_x + axis_x)) $((view_y + 120)) mouseup 1
wait_for "$E2E_WAIT" band_is_not "$titles" || fail "the titles did not change places after the drag"
xdotool mousemove $((view_x + 600)) $((view_y + 250)) key ctrl+z
wait_for "$E2E_WAIT" band_is "$titles" || fail "undo did not put the axis back"

# A left click in region 0 (between the first two axes), half way up.
xdotool mousemove $((view_x + 160)) $((view_y + 250)) click 1
wait_for "$E2E_WAIT" grep -q '^31$' "$WORK/out" || fail "no operator was created (no bin lines)"
[[ $(grep -c -E '^([0-9]|[12][0-9]|3[01])$' "$WORK/out") -ge 32 ]] || fail "fewer than 32 bin lines"

# Ctrl + left click on the third axis (x = 0.05 + 0.9 * 2 / 7 of the view).
xdotool mousemove $((view_x + axis_x + 3)) $((view_y + 250)) keydown Control_L click 1 keyup Control_L
wait_for "$E2E_WAIT" grep -q '^add hint point at ' "$WORK/out" || fail "no hint point was added"
wait_for "$E2E_WAIT" grep -q '^Group number is 2$' "$WORK/out" || fail "the items were not regrouped into 2 groups"

xdotool mousemove $((view_x + 600)) $((view_y + 100)) key g
wait_for "$E2E_WAIT" grep -q '^Group sort is activated !$' "$WORK/out" || fail "G did not switch the group sort on"

quit_with Escape
[[ "$EXIT_STATUS" == "0" ]] || fail "Escape ended with status $EXIT_STATUS"
echo "interaction: ok"
