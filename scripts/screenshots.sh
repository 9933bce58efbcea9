#!/usr/bin/env bash
# Makes the README's pictures from the current build: starts Strands on the
# cars table under a private Xvfb, places a few operators and a hint path with
# the mouse as a user would, and saves
#   docs/images/main-window.png   the whole main window
#   docs/images/graph-window.png  the operator graph
# Run it again whenever the picture changes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [[ "${1:-}" != "--inside-xvfb" ]]; then
  "$root/scripts/setup.sh" test
  "$root/scripts/build.sh" app
  exec "$root/scripts/with-xvfb.sh" "$0" --inside-xvfb
fi

out="$root/docs/images"
mkdir -p "$out"
work=$(mktemp -d)
app_pid=""
trap '[[ -z "$app_pid" ]] || kill "$app_pid" 2>/dev/null; rm -rf "$work"' EXIT
# Unsaved work goes to a folder of this run's own: none of yours is offered, nor touched.
export XDG_STATE_HOME="$work/state"

main_window() {  # prints "X Y" of the main window, or nothing
  xwininfo -root -children 2>/dev/null | grep -o -E '1600x572[+][0-9]+[+][0-9]+' | head -1 | awk -F+ '{ print $2, $3 }'
}
(cd "$root" && exec "$root/build/strands" DataSet/origin.txt >"$work/out" 2>&1) &
app_pid=$!
for _ in $(seq 1 200); do [[ -n "$(main_window)" ]] && break; sleep 0.1; done
read -r wx wy <<<"$(main_window)"
[[ -n "${wx:-}" ]] || { echo "the main window did not appear" >&2; exit 1; }
sleep 1.5  # first frames of all three windows

view_x=$((wx + 70)); view_y=$((wy + 40))
band_x=$((wx + 14)); band_y=$((wy + 40))
# Pixel x of axis i in the view (0.05 + 0.9 i / 7 of its 1000 pixels).
axis_px() { awk -v i="$1" 'BEGIN { printf "%d", 1000 * (0.05 + 0.9 * i / 7) }'; }
# Picks a hue on the colour band: $1 = height from the top, pixels (0 red, 167 blue, 333 green, 458 orange).
pick_colour() { xdotool mousemove "$band_x" $((band_y + $1)) click 1; sleep 0.2; }
# Places an operator at view pixel ($1, $2) with button $3 (1 primary, 3 secondary).
place_operator() { xdotool mousemove $((view_x + $1)) $((view_y + $2)) click "$3"; sleep 0.6; }

# Operators: heavy, low-mileage cars between mpg and cylinders; a spreading
# secondary operator between weight and acceleration; one more between
# horsepower and weight.
pick_colour 458; place_operator "$(( ($(axis_px 0) + $(axis_px 1)) / 2 ))" 330 1
pick_colour 167; place_operator "$(( ($(axis_px 2) + $(axis_px 3)) / 2 ))" 180 1
pick_colour 83;  place_operator "$(( ($(axis_px 4) + $(axis_px 5)) / 2 ))" 260 3
pick_colour 320; place_operator "$(( ($(axis_px 3) + $(axis_px 4)) / 2 ))" 330 1

# Two operators nested under the first (orange) one: focus its node in the
# graph window, then place them.
graph_x=$((wx + 1090)); graph_y=$((wy + 40))
sleep 3  # the graph settles
node=$(import -window root -crop "500x440+$graph_x+$((graph_y + 60))" +repage -depth 8 txt:- |
  awk 'NR > 1 { split($2, c, /[(),]/); if (c[2] > 230 && c[3] > 110 && c[3] < 170 && c[4] < 60) {
         split($1, p, /[,:]/); print p[1], p[2] + 60; exit } }' || true)
if [[ -n "$node" ]]; then
  read -r node_x node_y <<<"$node"
  # The ring's first pixel found from the top: its centre is below it.
  xdotool mousemove $((graph_x + node_x)) $((graph_y + node_y + 14)) click 1; sleep 0.5
  pick_colour 250; place_operator "$(( ($(axis_px 1) + $(axis_px 2)) / 2 ))" 410 1
  pick_colour 40;  place_operator "$(( ($(axis_px 5) + $(axis_px 6)) / 2 ))" 330 1
fi

# A hint path: economical cars (high mpg, few cylinders, light, late models).
hint() { xdotool mousemove $((view_x + $(axis_px "$1") + 2)) $((view_y + $2)); xdotool keydown Control_L click 1 keyup Control_L; sleep 0.4; }
hint 0 120; hint 1 400; hint 2 390; hint 3 380; hint 4 390; hint 6 140
xdotool mousemove $((view_x + 990)) $((view_y + 490))

sleep 4  # the graph settles
import -window root -crop "1600x572+$wx+$wy" +repage -depth 8 "$work/main.png"
import -window root -crop "500x360+$((wx + 1090))+$((wy + 40))" +repage -depth 8 "$work/graph.png"
# Small files: 256 colours are plenty for flat shading and thin lines.
convert "$work/main.png" -strip -colors 256 PNG8:"$out/main-window.png"
convert "$work/graph.png" -strip -colors 128 PNG8:"$out/graph-window.png"
ls -l "$out"/*.png
