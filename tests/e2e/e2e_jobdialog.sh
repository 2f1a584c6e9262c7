#!/usr/bin/env bash
# The job list of the real JobDialog.exe, checked from outside as a user meets it: the five
# columns and the sample job with its box checked; real clicks (xdotool) in the check-box band
# clear and set boxes, of one row or of all selected rows, and a click just right of the band
# does not; Enter, Escape, Alt+F4 and real clicks on OK and Cancel each end the program with exit
# code 0. JobListProbe (built from tests/e2e/JobListProbe.cpp) reads the list from another
# process and adds rows and selections to it. Screenshots land in e2e_jobdialog/ of the build.
# Usage: e2e_jobdialog.sh <path to JobDialog.exe>; needs DISPLAY and WINEPREFIX.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

build=$(cd "$(dirname "$exe")/.." && pwd)
probe=${XE2E_HELPERS:-$build/tests/e2e}/JobListProbe.exe
shots=$build/e2e_jobdialog
# Between two clicks at one spot: longer than the double-click time, so the second click is a
# press of its own and not the second half of a double click.
apart=1.1

[ -f "$probe" ] || fail "no JobListProbe at $probe"
mkdir -p "$shots" || fail "cannot create $shots"

# probe <command> [args]: the probe's output without carriage returns; its exit code.
probe() {
  local out rc
  out=$("$wine" "$probe" "$@" </dev/null 2>/dev/null)
  rc=$?
  printf '%s\n' "${out//$'\r'/}"
  return $rc
}

# start_dialog: the program started, its list found by the probe, and its window's geometry
# noted for the screenshots.
geometry=""
start_dialog() {
  start_program
  probe find >/dev/null || die "the probe does not find the dialog's list"
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$win")" || die "no geometry for window $win"
  geometry=${WIDTH}x${HEIGHT}+$X+$Y
  sleep 0.5     # let the list paint
}

# shot <name>: the whole screen, and the dialog cut out of it.
shot() {
  import -window root "$shots/$1-screen.png" || die "screenshot $1 failed"
  convert "$shots/$1-screen.png" -crop "$geometry" +repage "$shots/$1.png" || die "cropping $1 failed"
}

click_at() {
  xdotool mousemove --sync "$1" "$2" click 1 || die "xdotool could not click at $1,$2"
}

# click_band <row> <dx>: a real click dx pixels right of column 0's left edge, on the row.
click_band() {
  local point
  point=$(probe band "$1" "$2") || die "no band point for row $1"
  # shellcheck disable=SC2086
  click_at $point
}

click_button() {
  local point
  point=$(probe button "$1") || die "no control $1"
  # shellcheck disable=SC2086
  click_at $point
}

# The rows' check states ("0x2000 0x1000 ...") and selection ("1 0 ..."), in row order.
checks() { probe dump | awk '$1 == "row" { printf "%s%s", sep, $4; sep = " " } END { print "" }'; }
selection() { probe dump | awk '$1 == "row" { printf "%s%s", sep, $6; sep = " " } END { print "" }'; }

# expect_checks <expected> <what>: waits up to 5 s for the check states to become `expected`.
expect_checks() {
  local now="" tries
  for ((tries = 0; tries < 25; tries++)); do
    now=$(checks)
    [ "$now" = "$1" ] && { note "$2: $now"; return 0; }
    sleep 0.2
  done
  die "$2: check states '$now', expected '$1'"
}

expect_selection() {
  local now
  now=$(selection)
  [ "$now" = "$1" ] || die "$2: selection '$now', expected '$1'"
}

# box_ink <screenshot>: dark pixels of row 0's check box, which only a check mark has.
box_ink() {
  local point x y
  point=$(probe band 0 0) || die "no band point for row 0"
  read -r x y <<<"$point"
  convert "$1" -crop "14x14+$((x + 1))+$((y - 7))" +repage -colorspace gray -threshold 50% \
    -format '%[fx:round((1 - mean) * w * h)]' info:
}

# --- The list as shown, and the check-box band under real clicks; OK ends it. ---------------
start_dialog

expected_dump="columns 5
column 0 fmt 0 width 250 Destination File
column 1 fmt 0 width 150 Source File
column 2 fmt 0 width 85 Source Type
column 3 fmt 1 width 85 Source Length
column 4 fmt 1 width 85 Estimated Size
rows 1
row 0 state 0x2000 selected 0 data 0 c:\\FileTo.bin|c:\\FileFrom.bin|||"
dump=$(probe dump) || die "the probe cannot read the list"
if [ "$dump" != "$expected_dump" ]; then
  printf 'expected:\n%s\nactual:\n%s\n' "$expected_dump" "$dump" >&2
  die "the list does not show the five columns and the sample job"
fi
note "five columns and the sample job, its box checked"
shot 1-start

click_band 0 10
expect_checks "0x1000" "a click in the band cleared the box"
expect_selection "1" "the clicked row became the selected one"
shot 2-cleared
sleep "$apart"
click_band 0 10
expect_checks "0x2000" "a second click a second later set it again"
shot 3-set-again

# What the user sees: a check mark in the box when set, none when cleared.
ink_set=$(box_ink "$shots/1-start-screen.png")
ink_cleared=$(box_ink "$shots/2-cleared-screen.png")
ink_again=$(box_ink "$shots/3-set-again-screen.png")
((ink_set >= 5 && ink_again >= 5 && ink_cleared <= 2)) \
  || die "check mark pixels: set $ink_set, cleared $ink_cleared, set again $ink_again"
note "check mark pixels in the box: set $ink_set, cleared $ink_cleared, set again $ink_again"

# The band's edges: column 0's left edge + 20 is its last pixel.
sleep "$apart"
click_band 0 21
sleep 0.5
expect_checks "0x2000" "a click at the band's left edge + 21 left the box alone"
sleep "$apart"
click_band 0 20
expect_checks "0x1000" "a click at the band's left edge + 20 cleared it"
sleep "$apart"
click_band 0 0
expect_checks "0x2000" "a click at the band's left edge set it"

# More rows, added from outside; they come unchecked.
probe add 3 >/dev/null || die "the probe cannot add rows"
expect_checks "0x2000 0x1000 0x1000 0x1000" "three rows added"
sleep "$apart"
click_band 2 21
sleep 0.5
expect_checks "0x2000 0x1000 0x1000 0x1000" "a click just right of the band on row 2 toggled nothing"
sleep "$apart"
click_band 3 10
expect_checks "0x2000 0x1000 0x1000 0x2000" "a click in the band of unselected row 3 checked it alone"
expect_selection "0 0 0 1" "row 3 became the only selected row"

# Rows 0 to 2 selected (checked, unchecked, unchecked); row 3 checked and not selected.
probe select 0 1 2 >/dev/null || die "the probe cannot select rows"
expect_selection "1 1 1 0" "rows 0 to 2 selected from outside"
shot 4-selected
sleep "$apart"
click_band 1 10
expect_checks "0x2000 0x2000 0x2000 0x2000" "one click in the band of unchecked row 1 set all three selected rows"
expect_selection "1 1 1 0" "the selection did not change"
shot 5-all-set
sleep "$apart"
click_band 0 10
expect_checks "0x1000 0x1000 0x1000 0x2000" "one click in the band of checked row 0 cleared all three, not row 3"
expect_selection "1 1 1 0" "the selection still did not change"
shot 6-all-cleared

click_button 1
finish "OK button clicked"

# --- Every other way to end it. -----------------------------------------------------------
for key in Return Escape alt+F4; do
  start_dialog
  type_key "$key"
  finish "$key"
done

start_dialog
click_button 2
finish "Cancel button clicked"

note "passed"
