# shellcheck shell=bash
# Sourced by the end-to-end checks (not a check itself): the program under test from the first
# argument, messages named after the check, starting JobDialog.exe and finding its window, and
# waiting for its end. Only the process started here is ever stopped.
# The sourcing script may set appear_timeout and exit_timeout (seconds) before sourcing.

e2e_name=$(basename "$0" .sh)
exe=${1:?usage: $e2e_name.sh <path to JobDialog.exe>}
wine=/usr/lib/wine/wine64
appear_timeout=${appear_timeout:-30}    # seconds for the window to appear
exit_timeout=${exit_timeout:-20}        # seconds for the program to end by itself

fail() { echo "$e2e_name: FAIL: $*" >&2; exit 1; }
note() { echo "$e2e_name: $*"; }

[ -f "$exe" ] || fail "no program at $exe"
[ -n "${DISPLAY:-}" ] || fail "DISPLAY is not set"

pid=""
stop_started() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  pid=""
}
trap stop_started EXIT
die() { stop_started; fail "$@"; }

# start_program [label]: starts the program and sets pid and win (its visible X window named
# "Dialog"); a failure message starts with "[label] " when a label is given.
win=""
start_program() {
  local label=${1:+[$1] } waited
  "$wine" "$exe" </dev/null >/dev/null 2>&1 &
  pid=$!
  win=""
  for ((waited = 0; waited < appear_timeout * 10; waited++)); do
    win=$(xdotool search --onlyvisible --name '^Dialog$' 2>/dev/null | head -n 1)
    [ -n "$win" ] && break
    kill -0 "$pid" 2>/dev/null || fail "${label}the program ended before its window appeared"
    sleep 0.1
  done
  [ -n "$win" ] || die "${label}no visible window named 'Dialog' within ${appear_timeout}s"
}

# type_key <xdotool key name>: no window manager, so the dialog gets the keyboard focus directly;
# then the key is typed as a user would.
type_key() {
  xdotool windowfocus --sync "$win" 2>/dev/null || die "[$1] cannot focus window $win"
  xdotool key "$1" || die "[$1] xdotool key failed"
}

# finish <how>: the program must end by itself within exit_timeout seconds, with exit code 0.
finish() {
  local how=$1 waited code
  for ((waited = 0; waited < exit_timeout * 10; waited++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && die "[$how] the program was still running ${exit_timeout}s later"
  wait "$pid"
  code=$?
  pid=""
  [ "$code" -eq 0 ] || fail "[$how] exit code $code, expected 0"
  note "$how: the program ended with exit code 0"
}
