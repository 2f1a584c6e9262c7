#!/usr/bin/env bash
# The real JobDialog.exe from outside, through the X display: its window appears centred on the
# screen, and Enter, Escape and Alt+F4 typed on the keyboard each end the program with exit
# code 0. Usage: e2e_keys.sh <path to JobDialog.exe>; needs DISPLAY and WINEPREFIX.
set -uo pipefail

exe=${1:?usage: e2e_keys.sh <path to JobDialog.exe>}
wine=/usr/lib/wine/wine64
appear_timeout=30     # seconds for the window to appear
exit_timeout=20       # seconds for the program to end after the key

fail() { echo "e2e_keys: FAIL: $*" >&2; exit 1; }

[ -f "$exe" ] || fail "no program at $exe"
[ -n "${DISPLAY:-}" ] || fail "DISPLAY is not set"

pid=""
# Only the process this script started is ever stopped.
stop_started() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  pid=""
}
trap stop_started EXIT

read -r screen_w screen_h < <(xdotool getdisplaygeometry) || fail "cannot read the screen size"

# run_with_key <xdotool key name>
run_with_key() {
  local key=$1 win="" waited geometry X Y WIDTH HEIGHT code
  "$wine" "$exe" </dev/null >/dev/null 2>&1 &
  pid=$!

  for ((waited = 0; waited < appear_timeout * 10; waited++)); do
    win=$(xdotool search --onlyvisible --name '^Dialog$' 2>/dev/null | head -n 1)
    [ -n "$win" ] && break
    kill -0 "$pid" 2>/dev/null || fail "[$key] the program ended before its window appeared"
    sleep 0.1
  done
  [ -n "$win" ] || { stop_started; fail "[$key] no visible window named 'Dialog' within ${appear_timeout}s"; }

  # Wine draws the frame itself (no window manager), so the X window is the whole Win32 window
  # rectangle, and the centring formula applies to it directly.
  geometry=$(xdotool getwindowgeometry --shell "$win") || { stop_started; fail "[$key] no geometry for window $win"; }
  eval "$geometry"
  local want_x=$((screen_w / 2 - WIDTH / 2)) want_y=$((screen_h / 2 - HEIGHT / 2))
  local dx=$((X - want_x)) dy=$((Y - want_y))
  if ((dx < -1 || dx > 1 || dy < -1 || dy > 1)); then
    stop_started
    fail "[$key] window ${WIDTH}x${HEIGHT} at $X,$Y; centred on ${screen_w}x${screen_h} is $want_x,$want_y"
  fi

  # No window manager: give the dialog the keyboard focus directly, then type as a user would.
  xdotool windowfocus --sync "$win" 2>/dev/null || { stop_started; fail "[$key] cannot focus window $win"; }
  xdotool key "$key" || { stop_started; fail "[$key] xdotool key failed"; }

  for ((waited = 0; waited < exit_timeout * 10; waited++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    stop_started
    fail "[$key] the program was still running ${exit_timeout}s after the key"
  fi
  wait "$pid"
  code=$?
  pid=""
  [ "$code" -eq 0 ] || fail "[$key] exit code $code, expected 0"
  echo "e2e_keys: $key: centred at $X,$Y (${WIDTH}x${HEIGHT}), ended with exit code 0"
}

run_with_key Return
run_with_key Escape
run_with_key alt+F4
echo "e2e_keys: passed"
