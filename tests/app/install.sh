#!/usr/bin/env bash
# End to end: `cmake --install` into a fresh prefix gives a program that,
# started from yet another folder, finds its icons and its default table in
# <prefix>/share/strands (not in the source tree), and a valid desktop entry
# with its icon.
set -uo pipefail
source "$(dirname "$0")/../e2e_lib.bash"
e2e_setup "$@"
[[ -n "$BUILD_DIR" ]] || fail "no build folder given"

prefix="$WORK/prefix"
cmake --install "$BUILD_DIR" --prefix "$prefix" >"$WORK/install.log" 2>&1 || { cat "$WORK/install.log"; fail "cmake --install failed"; }
for file in bin/strands share/applications/strands.desktop share/strands/DataSet/origin.txt \
            share/icons/hicolor/48x48/apps/strands.png share/icons/hicolor/256x256/apps/strands.png; do
  [[ -s "$prefix/$file" ]] || fail "$file was not installed"
done
for icon in "$SOURCE_DIR"/Resources/*.bmp; do
  cmp -s "$icon" "$prefix/share/strands/Resources/$(basename "$icon")" || fail "$(basename "$icon") was not installed"
done
desktop-file-validate "$prefix/share/applications/strands.desktop" || fail "the desktop entry is not valid"

STRANDS_BIN="$prefix/bin/strands"
mkdir -p "$WORK/elsewhere"
cd "$WORK/elsewhere"
"$STRANDS_BIN" --help >"$WORK/help" 2>&1 || fail "--help of the installed program failed"
grep -qxF "Default table here: $prefix/share/strands/DataSet/origin.txt" "$WORK/help" ||
  fail "the installed program does not take its default table from the prefix: $(grep Default "$WORK/help")"
grep -qF "$SOURCE_DIR" "$WORK/help" && fail "the installed program looks in the source tree"

start_app "$WORK/elsewhere"
wait_for_view
wait_for "$E2E_WAIT" grep -q "^392 data items in total.$" "$WORK/out" || fail "the default table was not loaded"
check_operator_lock_icon
quit_with ctrl+q
[[ "$EXIT_STATUS" == "0" ]] || fail "Ctrl+Q ended with status $EXIT_STATUS"
echo "install: ok"
