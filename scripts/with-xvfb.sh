#!/usr/bin/env bash
# Runs a command with DISPLAY set to a private Xvfb server that this script
# starts on a free display number and stops afterwards (only its own servers).
#
# STRANDS_XVFB_SERVERS=N starts N servers (default 1) so that N tests that
# open windows can run at once, each on a display of its own: DISPLAY is the
# first, STRANDS_TEST_DISPLAYS lists them all and STRANDS_DISPLAY_LOCKS is a
# folder of one lock file per display, which tests/display-slot.sh takes.
set -euo pipefail

servers=${STRANDS_XVFB_SERVERS:-1}
[[ "$servers" =~ ^[1-9][0-9]?$ ]] || { echo "STRANDS_XVFB_SERVERS must be a number from 1 to 99, not '$servers'" >&2; exit 2; }

pids=()
locks=""
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  [[ -z "$locks" ]] || rm -rf "$locks"
}
trap cleanup EXIT

# Starts Xvfb on display $1 and waits until it answers; fails if it does not.
start_xvfb() {
  # -noreset: the server must survive its clients disconnecting (readiness probes).
  Xvfb ":$1" -screen 0 1920x1080x24 -noreset -nolisten tcp >/dev/null 2>&1 &
  local pid=$!
  for _ in $(seq 1 100); do
    if DISPLAY=":$1" xdpyinfo >/dev/null 2>&1; then
      pids+=("$pid")
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  return 1
}

# A number whose lock file is free may still be taken by a server of another
# file-system root (a container sharing the network namespace): try the next.
displays=()
for n in $(seq 91 190); do
  ((${#displays[@]} < servers)) || break
  [[ ! -e /tmp/.X$n-lock && ! -e /tmp/.X11-unix/X$n ]] || continue
  if start_xvfb "$n"; then displays+=(":$n"); fi
done
((${#displays[@]} == servers)) || { echo "Xvfb did not start $servers server(s) on free display numbers (91-190)" >&2; exit 1; }

locks=$(mktemp -d "${TMPDIR:-/tmp}/strands-displays.XXXXXX")
export DISPLAY=${displays[0]}
export STRANDS_TEST_DISPLAYS="${displays[*]}"
export STRANDS_DISPLAY_LOCKS=$locks
"$@"
