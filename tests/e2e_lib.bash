# Helpers for end-to-end tests that start the real program under the display
# that scripts/with-xvfb.sh provides. Source it; call e2e_setup first.

# Arguments: the strands binary, the source tree, the build tree.
e2e_setup() {
  STRANDS_BIN=$1
  SOURCE_DIR=$2
  BUILD_DIR=${3:-}
  [[ -n "${DISPLAY:-}" ]] || { echo "SKIP-FAIL: no DISPLAY (run through scripts/with-xvfb.sh)"; exit 1; }
  e2e_setup_work
}

# For tests that need no display.
e2e_setup_work() {
  WORK=$(mktemp -d /tmp/strands-e2e-XXXXXX)
  # Unsaved work the program keeps goes to the test's own folder.
  export XDG_STATE_HOME="$WORK/state"
  APP_PID=""
  trap e2e_cleanup EXIT
}

e2e_cleanup() {
  if [[ -n "$APP_PID" ]] && kill -0 "$APP_PID" 2>/dev/null; then kill "$APP_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}

fail() { echo "FAIL: $*"; [[ -f "$WORK/out" ]] && { echo "--- stdout"; cat "$WORK/out"; }; [[ -f "$WORK/err" ]] && { echo "--- stderr"; cat "$WORK/err"; }; exit 1; }

# Starts the program in directory $1 (its working directory) with the
# arguments that follow, output to $WORK/out and $WORK/err. STRANDS_BIN may be
# overridden for one call (e.g. an installed copy).
start_app() {
  local dir=$1; shift
  (cd "$dir" && exec "$STRANDS_BIN" "$@" >"$WORK/out" 2>"$WORK/err") &
  APP_PID=$!
}

# How long to wait for the program's answers (a window, a line, a file, a
# pixel), seconds. Waits end as soon as the answer comes, so these limits
# only matter when something is wrong; they are generous because a loaded
# machine (a build beside the tests, the sanitizer build) answers slowly.
E2E_WAIT=${E2E_WAIT:-60}

# Waits until a command succeeds, polling every 0.1 s for at most $1 seconds.
wait_for() {
  local seconds=$1; shift
  local tries=$((seconds * 10))
  for ((k = 0; k < tries; k++)); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

# Prints "X Y" of the top-level window of size WxH ($1), or nothing.
window_origin() {
  xwininfo -root -children 2>/dev/null | awk -v size="$1" '$0 ~ size"[+]" {
    for (i = 1; i <= NF; i++) if ($i ~ "^" size "[+]") { split($i, a, "+"); print a[2], a[3]; exit }
  }'
}

main_window_shown() { [[ -n "$(window_origin 1600x572)" ]]; }

# Moves the pointer over the view of the main window and presses a key there
# (with no window manager, keys go to the window under the pointer; the X
# server takes the move and the key in the order xdotool sends them).
press_over_main_window() {
  local wx wy
  read -r wx wy <<<"$(window_origin 1600x572)"
  xdotool mousemove $((wx + 500)) $((wy + 300)) key "$1"
}

# Presses key $1 over the main window and waits for the program to end;
# sets EXIT_STATUS (see wait_exit).
quit_with() {
  press_over_main_window "$1"
  wait_exit "$E2E_WAIT"
}

# Waits at most $1 seconds for the program to end and sets EXIT_STATUS to its
# exit status ("timeout" if it is still running). Must run in the main shell,
# not in a command substitution, to be able to wait for the program.
wait_exit() {
  EXIT_STATUS=timeout
  wait_for "$1" bash -c "! kill -0 $APP_PID 2>/dev/null" || return 0
  EXIT_STATUS=0
  wait "$APP_PID" || EXIT_STATUS=$?
  APP_PID=""
  # In the sanitizer build the leak check at exit stops every thread (the GL
  # driver's among them) from a helper task, which on rare occasions crashes
  # by itself before checking anything. That says nothing about the program:
  # the status it ended with is then unknown, so it is taken as the one the
  # test expects, and the log says that the check did not run.
  if [[ "$EXIT_STATUS" != 0 ]] && grep -q "^Tracer caught signal" "$WORK/err" &&
     grep -q "LeakSanitizer has encountered a fatal error" "$WORK/err" &&
     ! grep -q "ERROR: \(Address\|LeakSanitizer\|UndefinedBehavior\)" "$WORK/err"; then
    echo "note: the leak checker's own helper crashed at exit; no leak check this run" >&2
    EXIT_STATUS=0
  fi
}

# Prints "R G B" (0-255) of screen pixel (X, Y).
pixel_rgb() {
  import -window root -crop "1x1+$1+$2" +repage -depth 8 txt:- 2>/dev/null |
    sed -n '2s/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}

# Whether the lock icon of an operator centred at screen pixel (X, Y) was
# drawn from its image. The icon lies 6 to 26 pixels right of and below the
# centre in a 1000 x 500 view; drawn from its image it is a padlock with
# see-through parts, while a missing image leaves a solid dark square.
lock_icon_visible() {
  local dark
  dark=$(import -window root -crop "20x20+$(($1 + 6))+$(($2 + 6))" +repage -depth 8 txt:- 2>/dev/null |
    awk 'NR > 1 { split($2, c, /[(),]/); m = c[2]; if (c[3] > m) m = c[3]; if (c[4] > m) m = c[4];
                  if (m < 80) dark++ } END { print dark + 0 }')
  (( dark > 40 && dark < 300 ))
}

# Whether the program reported a missing icon.
icon_missing_reported() { grep -q "Cannot read icon file" "$WORK/err"; }

# Prints "WxH+X+Y" of a top-level window titled "Strands" other than the main
# window (a dialog), or nothing. With "viewable", only once it is mapped (the
# window exists a moment before it is shown, and keys would miss it).
dialog_geometry() {
  local id geometry
  read -r id geometry <<<"$(xwininfo -root -children 2>/dev/null | awk '/"Strands": \(/ && !/1600x572[+]/ {
    for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+[+]/) { print $1, $i; exit } }')"
  [[ -n "$id" ]] || return 0
  if [[ "${1:-}" == viewable ]] && ! xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable"; then return 0; fi
  echo "$geometry"
}

# Whether a dialog is shown; whether none is (for wait_for, which runs the
# command anew each time: a "$(...)" in its arguments would be read once).
dialog_shown() { [[ -n "$(dialog_geometry viewable)" ]]; }
no_dialog() { [[ -z "$(dialog_geometry)" ]]; }

# Prints a checksum of the screen's pixels in WxH+X+Y ($1).
region_checksum() { import -window root -crop "$1" +repage -depth 8 rgb:- 2>/dev/null | cksum; }


# Whether screen pixel (X, Y) is white.
pixel_is_white() { [[ "$(pixel_rgb "$1" "$2")" == "255 255 255" ]]; }

# Starts the program in a fresh working directory holding the shipped default
# table and the icons and waits for its view (wait_for_view).
start_app_on_default_table() {
  mkdir -p "$WORK/app/DataSet"
  cp "$SOURCE_DIR/DataSet/origin.txt" "$WORK/app/DataSet/origin.txt"
  ln -s "$SOURCE_DIR/Resources" "$WORK/app/Resources"
  start_app "$WORK/app"
  wait_for_view
}

# Waits for the main window and the view's first frame (Xvfb starts black;
# the view's top rows stay white above the titles);
# sets wx wy (main window), view_x view_y (the view, 1000 x 500 at (70, 40))
# and graph_x graph_y (the graph window, at (1090, 40)).
wait_for_view() {
  wait_for "$E2E_WAIT" main_window_shown || fail "main window did not appear"
  read -r wx wy <<<"$(window_origin 1600x572)"
  view_x=$((wx + 70)); view_y=$((wy + 40))
  graph_x=$((wx + 1090)); graph_y=$((wy + 40))
  wait_for "$E2E_WAIT" pixel_is_white $((view_x + 520)) $((view_y + 1)) || fail "the view never drew its first frame"
}

# Places an operator at view pixel (160, 250), between the first two axes,
# and checks that its lock icon is drawn from the icon's image.
check_operator_lock_icon() {
  xdotool mousemove $((view_x + 160)) $((view_y + 250)) click 1
  wait_for "$E2E_WAIT" grep -q '^31$' "$WORK/out" || fail "no operator was created (no bin lines)"
  wait_for "$E2E_WAIT" lock_icon_visible $((view_x + 160)) $((view_y + 250)) ||
    fail "the lock icon was not drawn from its image"
  icon_missing_reported && fail "an icon was not found: $(grep 'Cannot read icon' "$WORK/err" | head -1)"
  return 0
}
