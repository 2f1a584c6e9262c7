#!/usr/bin/env bash
# The real JobDialog.exe from outside, through the X display: its window appears centred on the
# screen, and Enter, Escape and Alt+F4 typed on the keyboard each end the program with exit
# code 0. Usage: e2e_keys.sh <path to JobDialog.exe>; needs DISPLAY and WINEPREFIX.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

read -r screen_w screen_h < <(xdotool getdisplaygeometry) || fail "cannot read the screen size"

# run_with_key <xdotool key name>
run_with_key() {
  local key=$1 geometry X Y WIDTH HEIGHT
  start_program "$key"

  # Wine draws the frame itself (no window manager), so the X window is the whole Win32 window
  # rectangle, and the centring formula applies to it directly.
  geometry=$(xdotool getwindowgeometry --shell "$win") || die "[$key] no geometry for window $win"
  eval "$geometry"
  local want_x=$((screen_w / 2 - WIDTH / 2)) want_y=$((screen_h / 2 - HEIGHT / 2))
  local dx=$((X - want_x)) dy=$((Y - want_y))
  if ((dx < -1 || dx > 1 || dy < -1 || dy > 1)); then
    die "[$key] window ${WIDTH}x${HEIGHT} at $X,$Y; centred on ${screen_w}x${screen_h} is $want_x,$want_y"
  fi
  note "$key: centred at $X,$Y (${WIDTH}x${HEIGHT})"

  type_key "$key"
  finish "$key"
}

run_with_key Return
run_with_key Escape
run_with_key alt+F4
note "passed"
