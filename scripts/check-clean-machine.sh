#!/usr/bin/env bash
# Checks the set-up on a bare Debian 12 (a minimal root made by debootstrap,
# nothing installed but what our scripts install), from a clone of the
# committed project: uncommitted files and this machine's packages cannot
# help. Needs root and network access (Debian's mirror). Each step runs in its
# own fresh copy of the bare root:
#   run      scripts/run.sh opens the window on the cars table (drawn on an
#            Xvfb server of this machine) and Ctrl+Q ends it with status 0
#   test     scripts/test.sh passes
#   package  scripts/package.sh makes the .deb; then, in another fresh root,
#            `apt install ./strands_*.deb` gives a `strands` that opens its sample
#            table from any folder, with its icons, and ends with status 0
#
#   scripts/check-clean-machine.sh [run] [test] [package]     (all three by default)
#
# The bare root is made once and kept in $STRANDS_BARE_ROOT (default
# /var/tmp/strands-clean/bare-root); logs go to /var/tmp/strands-clean/logs.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=/var/tmp/strands-clean
bare=${STRANDS_BARE_ROOT:-$cache/bare-root}
logs=$cache/logs
steps=("$@")
((${#steps[@]} > 0)) || steps=(run test package)

[[ $(id -u) -eq 0 ]] || { echo "run this as root (it makes chroots)" >&2; exit 1; }
for tool in git unshare chroot Xvfb xdotool xwininfo xdpyinfo; do
  command -v "$tool" >/dev/null || { echo "needs $tool on this machine (scripts/setup.sh test installs the X tools)" >&2; exit 1; }
done
mkdir -p "$cache" "$logs"

# The mirror this machine's apt uses, for debootstrap and the root's sources.
mirror=$(grep -h -o -E '^(deb +|URIs: +)https?://[^ ]+' /etc/apt/sources.list /etc/apt/sources.list.d/* 2>/dev/null |
  awk '{ print $2 }' | grep -v security | head -1)
mirror=${mirror:-http://deb.debian.org/debian}

if [[ ! -x "$bare/bin/bash" ]]; then
  command -v debootstrap >/dev/null || apt-get install -y -qq --no-install-recommends debootstrap
  echo "Making the bare Debian 12 root in $bare (about a minute) ..."
  rm -rf "$bare.tmp"
  debootstrap --variant=minbase bookworm "$bare.tmp" "$mirror" >"$logs/debootstrap.log" 2>&1 ||
    { echo "debootstrap failed: see $logs/debootstrap.log" >&2; exit 1; }
  # The sources of an installed Debian 12: the release, its updates and security.
  printf 'deb %s bookworm main\ndeb %s bookworm-updates main\ndeb http://deb.debian.org/debian-security bookworm-security main\n' \
    "$mirror" "$mirror" >"$bare.tmp/etc/apt/sources.list"
  mv "$bare.tmp" "$bare"
fi

work=$(mktemp -d "$cache/run-XXXXXX")
xvfb_pid=""
cleanup() {
  [[ -z "$xvfb_pid" ]] || { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
  rm -rf "$work"
}
trap cleanup EXIT

# The committed project, as a new user would get it.
git clone -q --no-local "$root" "$work/strands" || { echo "git clone failed" >&2; exit 1; }
echo "Checking commit $(git -C "$work/strands" log -1 --format='%h %s')"

# An X server of this machine that programs in the roots draw on (its socket
# is bound into them), so the run and package steps can be watched and driven
# from here. Display numbers below those the test script picks.
display=""
for n in $(seq 60 89); do
  [[ ! -e /tmp/.X$n-lock && ! -e /tmp/.X11-unix/X$n ]] || continue
  Xvfb ":$n" -screen 0 1920x1080x24 -noreset -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 50); do DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then display=$n; break; fi
  kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; xvfb_pid=""
done
[[ -n "$display" ]] || { echo "no X display for the checks" >&2; exit 1; }
export DISPLAY=":$display"

# Makes a fresh copy of the bare root named $1 holding the clone in /root/strands.
fresh_root() {
  rm -rf "${work:?}/$1"
  cp -a "$bare" "$work/$1"
  cp /etc/resolv.conf "$work/$1/etc/resolv.conf"
  cp -a "$work/strands" "$work/$1/root/strands"
}

# Runs the bash command $2 in root $1, as root with a bare environment, in a
# private mount and process namespace (mounts and processes end with it).
in_root() {
  local dir="$work/$1"
  unshare --mount --pid --fork --propagation private bash -c '
    dir=$1; command=$2; display=$3
    mount -t proc proc "$dir/proc"
    for fs in dev dev/pts sys; do mount --rbind "/$fs" "$dir/$fs"; done
    mkdir -p "$dir/tmp/.X11-unix"
    mount --bind /tmp/.X11-unix "$dir/tmp/.X11-unix"
    exec chroot "$dir" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
      DISPLAY=":$display" bash -lc "$command"
  ' in-root "$dir" "$2" "$display"
}

# The main window: the program's window class and its default size (its
# title names the table, "origin.txt - Strands").
main_window='[(]"strands" "Strands"[)] +1600x572[+]'
window_shown() { xwininfo -root -children 2>/dev/null | grep -q -E "$main_window"; }

# Presses Ctrl+Q over the main window and waits for process $1 (a child of
# this shell) to end; sets QUIT_STATUS to its exit status.
quit_app() {
  local geometry x y
  geometry=$(xwininfo -root -children | grep -E "$main_window" | grep -o -E '1600x572[+][0-9]+[+][0-9]+')
  IFS='x+' read -r _ _ x y <<<"$geometry"
  xdotool mousemove $((x + 500)) $((y + 300)); sleep 0.3; xdotool key ctrl+q
  for _ in $(seq 1 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  QUIT_STATUS=0
  wait "$1" || QUIT_STATUS=$?
}

# Waits at most $1 seconds for the main window, then for $2 to appear in file $3.
wait_app() {
  local seconds=$1
  for _ in $(seq 1 "$seconds"); do window_shown && break; sleep 1; done
  window_shown || return 1
  for _ in $(seq 1 100); do grep -q "$2" "$3" && return 0; sleep 0.1; done
  return 1
}

declare -A result
check_run() {
  fresh_root run
  in_root run 'cd /root/strands && scripts/run.sh' >"$logs/run.log" 2>&1 &
  local pid=$!
  if ! wait_app 1800 "^392 data items in total.$" "$logs/run.log"; then
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
    result[run]="FAIL: no window on the cars table (see $logs/run.log)"; return
  fi
  quit_app "$pid"
  [[ "$QUIT_STATUS" == 0 ]] && result[run]="ok" || result[run]="FAIL: Ctrl+Q ended with status $QUIT_STATUS"
  rm -rf "${work:?}/run"
}

check_test() {
  fresh_root test
  if in_root test 'cd /root/strands && scripts/test.sh' >"$logs/test.log" 2>&1; then
    result[test]="ok ($(grep -E 'tests passed' "$logs/test.log" | tr '\n' ';'))"
  else
    result[test]="FAIL (see $logs/test.log)"
  fi
  rm -rf "${work:?}/test"
}

check_package() {
  fresh_root package
  if ! in_root package 'cd /root/strands && scripts/package.sh' >"$logs/package.log" 2>&1; then
    result[package]="FAIL: scripts/package.sh (see $logs/package.log)"; return
  fi
  local deb
  deb=$(ls "$work"/package/root/strands/build-package/strands_*.deb | head -1)
  cp "$deb" "$logs/" && deb="$logs/$(basename "$deb")"
  dpkg-deb -f "$deb" Depends >"$logs/package-depends.txt"
  rm -rf "${work:?}/package"
  fresh_root deb
  cp "$deb" "$work/deb/root/"
  if ! in_root deb 'apt-get update -qq && cd /root && apt-get install -y -qq --no-install-recommends ./strands_*.deb' \
      >"$logs/deb-install.log" 2>&1; then
    result[package]="FAIL: apt install of the .deb (see $logs/deb-install.log)"; return
  fi
  in_root deb 'cd /tmp && strands --version && command -v strands && test -f /usr/share/applications/strands.desktop' \
    >"$logs/deb-run.log" 2>&1 || { result[package]="FAIL: installed strands (see $logs/deb-run.log)"; return; }
  in_root deb 'mkdir -p /tmp/anywhere && cd /tmp/anywhere && exec strands' >>"$logs/deb-run.log" 2>&1 &
  local pid=$!
  if ! wait_app 60 "^392 data items in total.$" "$logs/deb-run.log"; then
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
    result[package]="FAIL: the installed strands did not open its sample table (see $logs/deb-run.log)"; return
  fi
  quit_app "$pid"
  if grep -q "Cannot read icon" "$logs/deb-run.log"; then
    result[package]="FAIL: the installed strands misses icons (see $logs/deb-run.log)"
  elif [[ "$QUIT_STATUS" != 0 ]]; then
    result[package]="FAIL: Ctrl+Q ended the installed strands with status $QUIT_STATUS"
  else
    result[package]="ok ($(basename "$deb"), Depends: $(cat "$logs/package-depends.txt"))"
  fi
  rm -rf "${work:?}/deb"
}

failed=0
for step in "${steps[@]}"; do
  case "$step" in
    run|test|package) ;;
    *) echo "unknown step '$step' (run, test, package)" >&2; exit 2 ;;
  esac
  echo "== $step: started $(date +%T)"
  start=$SECONDS
  "check_$step"
  echo "== $step: ${result[$step]} [$((SECONDS - start)) s]"
  [[ "${result[$step]}" == ok* ]] || failed=1
done
exit $failed
