#!/usr/bin/env bash
# End to end: the running program on the default table (eight numeric
# dimensions) shows its axes at the expected pixels of the view and the colour
# band on the left. A few reference pixels, not a full-image compare.
set -uo pipefail
source "$(dirname "$0")/../e2e_lib.bash"
e2e_setup "$@"

start_app_on_default_table

mid_y=$((view_y + 250))
for i in 0 1 2 3 4 5 6 7; do
  axis_x=$(awk -v i="$i" 'BEGIN { printf "%d", 1000 * (0.05 + 0.9 * i / 7) }')
  # The axis is 2 px wide around a fractional x. Over it lies the (empty)
  # mixture curve of its dimension, a green line 3 px wide along the axis; item
  # lines and the histogram bands (which start at the axis and go right) may
  # cover the neighbours. So one of the three pixels around it is that green.
  found=0
  for dx in -1 0 1; do
    read -r r g b <<<"$(pixel_rgb $((view_x + axis_x + dx)) "$mid_y")"
    (( r < 120 && g > 180 && b < 120 )) && found=1
  done
  (( found )) || fail "no axis (with its mixture line) around x=$axis_x"
done
# Above the axes' tops, halfway between two axes, the view is white.
pixel_is_white $((view_x + 114)) $((view_y + 12)) || fail "margin above the axes is not white"

# Band: a quarter of the way up its left edge the hue is 1.5, (128, 255, 0).
read -r r g b <<<"$(pixel_rgb $((wx + 10)) $((view_y + 374)))"
(( r > 100 && r < 160 && g > 230 && b < 30 )) || fail "band colour at a quarter height is $r $g $b"
# Halfway up, in its middle, the red indicator.
read -r r g b <<<"$(pixel_rgb $((wx + 35)) $((view_y + 250)))"
(( r > 150 && g < 100 )) || fail "indicator not found ($r $g $b)"

quit_with ctrl+q
[[ "$EXIT_STATUS" == "0" ]] || fail "Ctrl+Q ended with status $EXIT_STATUS"
echo "screenshot: ok"
