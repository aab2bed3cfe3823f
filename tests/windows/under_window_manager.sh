#!/usr/bin/env bash
# Runs window tests on a virtual X screen of the given size under a real
# window manager (openbox), so that windows get title bars and borders as
# on a desktop.
#   under_window_manager.sh WIDTHxHEIGHT PROGRAM [ARGUMENTS...]
set -euo pipefail

size=$1
shift
for tool in Xvfb openbox; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
server=""
manager=""
cleanup() {
  [[ -n "$manager" ]] && kill "$manager" 2>/dev/null || true
  [[ -n "$server" ]] && kill "$server" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Waits up to ten seconds until `test $1 $2` holds; else says that $3 did
# not start, shows its log $4 and fails.
await() {
  for _ in $(seq 100); do
    test "$1" "$2" && return 0
    sleep 0.1
  done
  test "$1" "$2" && return 0
  echo "$3 did not start:" >&2
  cat "$4" >&2
  exit 1
}

# The server picks a free display and writes its number to fd 5.
Xvfb -displayfd 5 -screen 0 "${size}x24" -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
server=$!
await -s "$work/display" Xvfb "$work/xvfb.log"
export DISPLAY=":$(head -n1 "$work/display")"

# openbox runs the start-up command once it manages the screen.
HOME="$work" openbox --startup "touch $work/managed" >"$work/openbox.log" 2>&1 &
manager=$!
await -e "$work/managed" openbox "$work/openbox.log"

QT_QPA_PLATFORM=xcb VERDIN_WINDOW_MANAGER_SCREEN="$size" "$@"
