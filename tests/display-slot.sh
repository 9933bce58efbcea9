#!/usr/bin/env bash
# Runs one test that opens windows on a display no other test is using at the
# time, so no window covers another's pixels while they are read back.
#
# Under scripts/with-xvfb.sh the test takes the first free display of
# STRANDS_TEST_DISPLAYS (waiting for one when all are taken) and keeps it by
# holding its lock file until the test and everything it started have ended;
# the unsaved work it makes goes to a state folder of that display, so tests
# running at once never see each other's recovery files. Elsewhere, tests on
# the same DISPLAY take turns.
set -u
if [[ -n "${STRANDS_TEST_DISPLAYS:-}" && -d "${STRANDS_DISPLAY_LOCKS:-}" ]]; then
  read -r -a displays <<< "$STRANDS_TEST_DISPLAYS"
  while :; do
    for slot in "${!displays[@]}"; do
      exec {lock}>"$STRANDS_DISPLAY_LOCKS/$slot.lock"
      if flock -n "$lock"; then
        export DISPLAY=${displays[$slot]}
        [[ -z "${XDG_STATE_HOME:-}" ]] || export XDG_STATE_HOME="$XDG_STATE_HOME/display-$slot"
        exec "$@"
      fi
      exec {lock}>&-
    done
    sleep 0.05
  done
fi
exec {lock}>"${TMPDIR:-/tmp}/strands-tests-display$(printf %s "${DISPLAY:-none}" | tr -c "0-9A-Za-z" _).lock"
flock "$lock"
exec "$@"
