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
xdotool mousemove $((graph_x + 40)) $((graph_y + 450)) mousedown 1
for point in "460 450" "460 300" "460 75" "250 75" "40 75" "40 300" "40 440"; do
  read -r px py <<<"$point"
  xdotool mousemove $((graph_x + px)) $((graph_y + py))
done
xdotool mouseup 1
wait_for "$E2E_WAIT" grep -q 'nodes are selected!$' "$WORK/out" || fail "the lasso reported nothing"
count=$(grep -E '^[0-9]+ nodes are selected!$' "$WORK/out" | tail -1 | cut -d' ' -f1)
[[ "$count" -eq 3 ]] || fail "expected the root, the operator and its complement in the lasso, got $count"

quit_with Escape
[[ "$EXIT_STATUS" == "0" ]] || fail "Escape ended with status $EXIT_STATUS"
echo "lasso: ok"
