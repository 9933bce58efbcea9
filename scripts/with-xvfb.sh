#!/usr/bin/env bash
# Runs a command with DISPLAY set to a private Xvfb server that this script
# starts on a free display number and stops afterwards (only its own server).
set -euo pipefail

xvfb_pid=""
trap '[[ -z "$xvfb_pid" ]] || { kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; }' EXIT

# Starts Xvfb on display $1 and waits until it answers; fails if it does not.
start_xvfb() {
  # -noreset: the server must survive its clients disconnecting (readiness probes).
  Xvfb ":$1" -screen 0 1920x1080x24 -noreset -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    if DISPLAY=":$1" xdpyinfo >/dev/null 2>&1; then return 0; fi
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
  return 1
}

# A number whose lock file is free may still be taken by a server of another
# file-system root (a container sharing the network namespace): try the next.
display=""
for n in $(seq 91 140); do
  [[ ! -e /tmp/.X$n-lock && ! -e /tmp/.X11-unix/X$n ]] || continue
  if start_xvfb "$n"; then
    display=$n
    break
  fi
done
[[ -n "$display" ]] || { echo "Xvfb did not start on any free display number (91-140)" >&2; exit 1; }

export DISPLAY=":$display"
"$@"
