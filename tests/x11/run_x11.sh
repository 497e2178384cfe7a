#!/bin/sh
# Runs a command on an X server of its own, with a window manager: Xvfb on a display number it picks itself
# (-displayfd, so that tests side by side never meet), openbox managing its windows, and the command with DISPLAY
# set to it. The server and the window manager go when the command ends; the command's exit code is the script's.
# Usage: run_x11.sh <command> [arguments...]
# VEMRA_X11_SCREEN sets the screen (default 1280x1024x24).
set -u
dir=$(mktemp -d "${TMPDIR:-/tmp}/vemra-x11-XXXXXX") || exit 1
xvfb=""
wm=""
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  echo "run_x11.sh: $1" >&2
  for log in "$dir"/*.log; do [ -s "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }; done
  exit 1
}

# Waits up to 10 s for a shell condition.
await() {
  i=0
  while ! eval "$1"; do
    i=$((i + 1))
    [ "$i" -gt 200 ] && return 1
    sleep 0.05
  done
}

Xvfb -displayfd 3 -screen 0 "${VEMRA_X11_SCREEN:-1280x1024x24}" -nolisten tcp -noreset 3>"$dir/display" \
  >"$dir/xvfb.log" 2>&1 &
xvfb=$!
await '[ -s "$dir/display" ]' || fail "Xvfb did not start"
DISPLAY=":$(head -n 1 "$dir/display")"
export DISPLAY

# The window manager keeps its own files in the session's folder, not in the user's home.
HOME="$dir" XDG_CONFIG_HOME="$dir" XDG_CACHE_HOME="$dir" openbox --sm-disable >"$dir/openbox.log" 2>&1 &
wm=$!
# It manages the screen once it has named itself on the root window.
await 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' || fail "openbox did not start"

"$@"
