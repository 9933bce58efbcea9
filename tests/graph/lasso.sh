#!/usr/bin/env bash
# End to end: an operator created in the view appears in the graph window,
# where a lasso drawn around the graph selects its nodes and reports them.
set -uo pipefail
source "$(dirname "$0")/../e2e_lib.bash"
e2e_setup "$@"

start_app_on_default_table

# An operator between the first two axes: the root gets two children in the
# graph, which drop in below it (anywhere inside the lasso below).
graph_region="500x500+$graph_x+$graph_y"
graph_before=$(region_checksum "$graph_region")
xdotool mousemove $((view_x + 160)) $((view_y + 250)) click 1
wait_for "$E2E_WAIT" grep -q '^31$' "$WORK/out" || fail "no operator was created"
graph_changed() { [[ "$(region_checksum "$graph_region")" != "$graph_before" ]]; }
wait_for "$E2E_WAIT" graph_changed || fail "the graph never showed the new nodes"

# A lasso around the whole graph below the icon bar (graph y from 0.1 to 0.85).
# The toolkit merges pointer moves that wait together into the last one, so
# each corner is sent once the outline (black, 4 px) has reached the one
# before: the middle of the newest side turns dark.
pixel_is_dark() { local r g b; read -r r g b <<<"$(pixel_rgb "$1" "$2")"; (( r < 80 && g < 80 && b < 80 )); }
xdotool mousemove $((graph_x + 40)) $((graph_y + 450)) mousedown 1
previous="40 450"
for point in "460 450" "460 300" "460 75" "250 75" "40 75"; do
  read -r px py <<<"$point"
  read -r qx qy <<<"$previous"
  xdotool mousemove $((graph_x + px)) $((graph_y + py))
  wait_for "$E2E_WAIT" pixel_is_dark $((graph_x + (px + qx) / 2)) $((graph_y + (py + qy) / 2)) ||
    fail "the lasso's outline did not follow the pointer to $point"
  previous=$point
done
# Down the left side (in line with the start: no corner to lose) and let go.
xdotool mousemove $((graph_x + 40)) $((graph_y + 300)) mousemove $((graph_x + 40)) $((graph_y + 440)) mouseup 1
wait_for "$E2E_WAIT" grep -q 'nodes are selected!$' "$WORK/out" || fail "the lasso reported nothing"
count=$(grep -E '^[0-9]+ nodes are selected!$' "$WORK/out" | tail -1 | cut -d' ' -f1)
[[ "$count" -eq 3 ]] || fail "expected the root, the operator and its complement in the lasso, got $count"

quit_with Escape
[[ "$EXIT_STATUS" == "0" ]] || fail "Escape ended with status $EXIT_STATUS"
echo "lasso: ok"
