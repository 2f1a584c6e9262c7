# Shared by scripts/run, scripts/test and scripts/bench: installs what is missing, builds both
# targets, and owns the virtual display and Wine prefix that a run starts (and stops them again).
# Sourced, not executed.

XROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
XBUILD_DIR=${XBUILD_DIR:-$XROOT/build}
XWINE=/usr/lib/wine/wine64
XWINESERVER=/usr/lib/wine/wineserver
XPACKAGES="wine64 g++-mingw-w64-x86-64 g++-mingw-w64-i686 xvfb xdotool imagemagick cmake doctest-dev clang libclang-rt-14-dev python3"

x_need_packages() {
  local missing=""
  for p in $XPACKAGES "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  echo "installing:$missing"
  local sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq >/dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

# x_build <win64|win32>: configures once, then builds; outputs land in $XBUILD_DIR/<target>.
x_build() {
  local target=$1 toolchain
  case $target in
    win64) toolchain=toolchain-x86_64.cmake ;;
    win32) toolchain=toolchain-i686.cmake ;;
  esac
  local dir=$XBUILD_DIR/$target
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$XROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$XROOT/cmake/$toolchain" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null || return 1
  fi
  cmake --build "$dir" -j2 -- --no-print-directory >"$dir/build.log" 2>&1 || { cat "$dir/build.log"; return 1; }
}

# Starts a private Xvfb on a free display number and exports DISPLAY.
x_start_display() {
  local fifo; fifo=$(mktemp -u); mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  local num; read -r num <"$fifo"; rm -f "$fifo"
  export DISPLAY=:$num
}

# A Wine prefix of our own under the build folder, set up once: no crash dialog (a crashing
# test would hang until its timeout), and Wine draws the window frames itself (without a window
# manager it would draw none and stall on every close).
x_start_wine() {
  export WINEPREFIX=$XBUILD_DIR/wineprefix WINEDEBUG=${WINEDEBUG:--all} WINEARCH=win64
  export WINEDLLOVERRIDES="mscoree,mshtml=" WINESERVER=$XWINESERVER
  if [ ! -f "$WINEPREFIX/.x-ready" ]; then
    rm -rf "$WINEPREFIX"; mkdir -p "$WINEPREFIX"
    "$XWINE" wineboot -i </dev/null >/dev/null 2>&1
    "$XWINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    "$XWINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
    "$XWINESERVER" -w
    touch "$WINEPREFIX/.x-ready"
  fi
  # A persistent server saves about 3 s per test process; Wine's own services must be running
  # before it, with detached descriptors, or CTest waits on their inherited pipes forever.
  # A server left over from an interrupted run of the same prefix is ended first: its services
  # may still hold descriptors of that run.
  "$XWINESERVER" -k >/dev/null 2>&1 || true
  "$XWINESERVER" -w >/dev/null 2>&1 || true
  "$XWINESERVER" -p </dev/null >/dev/null 2>&1
  "$XWINE" cmd /c exit </dev/null >/dev/null 2>&1
}

x_stop_all() {
  if [ -n "${WINEPREFIX:-}" ]; then "$XWINESERVER" -k >/dev/null 2>&1 || true; fi
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; XVFB_PID=""; fi
}

# The native project in tests/host: the foundation under AddressSanitizer and
# UndefinedBehaviorSanitizer with a 16-bit wchar_t, and the libFuzzer targets. Built with clang
# into $XBUILD_DIR/host.
x_build_host() {
  local dir=$XBUILD_DIR/host
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    CXX=clang++ cmake -S "$XROOT/tests/host" -B "$dir" >/dev/null || return 1
  fi
  cmake --build "$dir" -j2 -- --no-print-directory >"$dir/build.log" 2>&1 || { cat "$dir/build.log"; return 1; }
}

x_host_tests() {
  x_build_host || return 1
  (cd "$XBUILD_DIR/host" && ctest --output-on-failure --timeout 300)
}

# x_fuzz <seconds>: runs each fuzz target for that long, one after the other, over the seed
# corpus in tests/fuzz/corpus/<name> and a working corpus of its own under the build folder
# (the repository is never written). A finding fails; its input is kept under findings/.
x_fuzz() {
  local seconds=$1 dir=$XBUILD_DIR/host/fuzz rc=0 found=0 target name
  for target in "$dir"/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    found=1
    name=${target##*/fuzz_}
    mkdir -p "$dir/corpus/$name" "$dir/findings"
    if "$target" -max_total_time="$seconds" -timeout=10 -artifact_prefix="$dir/findings/$name-" \
        "$dir/corpus/$name" "$XROOT/tests/fuzz/corpus/$name" >"$dir/$name.log" 2>&1; then
      echo "fuzz $name: $(grep -Eo 'Done [0-9]+ runs in [0-9]+ second' "$dir/$name.log" | tail -n 1)s, no finding"
    else
      tail -n 40 "$dir/$name.log"
      echo "fuzz $name: FAILED (log $dir/$name.log, input under $dir/findings)"
      rc=1
    fi
  done
  [ "$found" = 1 ] || { echo "fuzz: no fuzz targets under $dir"; return 1; }
  return $rc
}

# The PE checks of both programs; a run of the checker against planted faults comes first.
x_check_artifacts() {
  local rc=0
  python3 "$XROOT/tests/artifact/check_pe.py" --self-test x86 "$XBUILD_DIR/win32/app/JobDialog.exe" || rc=1
  python3 "$XROOT/tests/artifact/check_pe.py" --self-test amd64 "$XBUILD_DIR/win64/app/JobDialog.exe" || rc=1
  return $rc
}
