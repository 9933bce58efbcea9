#!/usr/bin/env bash
# Runs a command with DISPLAY set to a private Xvfb server that this script
# starts on a free display number and stops afterwards (only its own server).
set -euo pipefail

display=""
for n in $(seq 91 140); do
  if [[ ! -e /tmp/.X$n-lock && ! -e /tmp/.X11-unix/X$n ]]; then
    display=$n
    break
  fi
done
[[ -n "$display" ]] || { echo "no free X display number" >&2; exit 1; }

# -noreset: the server must survive its clients disconnecting (readiness probes).
Xvfb ":$display" -screen 0 1920x1080x24 -noreset -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true' EXIT

for _ in $(seq 1 100); do
  if DISPLAY=":$display" xdpyinfo >/dev/null 2>&1; then break; fi
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb failed to start" >&2; exit 1; }
  sleep 0.1
done
DISPLAY=":$display" xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not become ready" >&2; exit 1; }

export DISPLAY=":$display"
"$@"
