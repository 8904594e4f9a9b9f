# The shared Wine session of the scripts that drive real windows: a private
# Xvfb screen, a Wine prefix (made once, reused while it exists), the robot,
# screenshots and a clean end. Source it from bash:
#
#   . scripts/wine-session.sh
#   wine_session_start NAME SHOTS_DIR ROBOT_EXE [PREFIX]
#   wine_run_desktop C:\\path\\program.exe [ARGS...]   # on the virtual desktop
#   robot wait "Caption" 30000 || fail "..."
#   shot page-name
#
# wine_session_start exports DISPLAY, WINEPREFIX, WINEDEBUG, HOME and
# WINEDLLOVERRIDES; the EXIT trap stops the Wine server and Xvfb and removes
# the work folder (not a prefix passed in, which the caller keeps).
# WINE_SESSION_WINE selects the loader (default: 64-bit Wine).

wine_session_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
wine=${WINE_SESSION_WINE:-/usr/lib/wine/wine64}
[ -x "$wine" ] || wine=wine

wine_session_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "${wine_session_xvfb:-}" ]; then kill "$wine_session_xvfb" 2>/dev/null || true; fi
  wine_session_xvfb=
  if [ -n "${wine_session_work:-}" ]; then rm -rf "$wine_session_work"; fi
}

# wine_session_start NAME SHOTS_DIR ROBOT_EXE [PREFIX]
wine_session_start() {
  wine_session_name=$1
  shots=$2
  local robot_exe=$3
  wine_session_work=$(mktemp -d "/tmp/$1.XXXXXX")
  local prefix=${4:-$wine_session_work/prefix}
  mkdir -p "$shots"
  shots=$(realpath "$shots")
  shot_step=0
  trap wine_session_stop EXIT

  # A screen of our own; Xvfb picks a free display number.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$wine_session_work/display" >/dev/null 2>&1 &
  wine_session_xvfb=$!
  for _ in $(seq 100); do [ -s "$wine_session_work/display" ] && break; sleep 0.1; done
  [ -s "$wine_session_work/display" ] || { echo "$1: Xvfb did not start"; return 1; }
  export DISPLAY=:$(head -n1 "$wine_session_work/display")
  export LC_ALL=C.UTF-8

  local t0=$SECONDS
  sh "$wine_session_here/wine-prefix.sh" "$prefix" "$wine" >/dev/null
  echo "$1: wine prefix ready after $((SECONDS - t0)) s"
  export WINEPREFIX=$prefix WINEDEBUG=-all HOME=$(dirname "$prefix")/winehome
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  mkdir -p "$HOME" "$WINEPREFIX/drive_c/robot"
  cp "$robot_exe" "$WINEPREFIX/drive_c/robot/robot.exe"
}

fail() {
  echo "$wine_session_name: FAILED: $*"
  import -window root "$shots/failure.png" 2>/dev/null || true
  exit 1
}

# The robot on the session's virtual desktop; its calls are logged beside
# the screenshots.
robot() {
  echo "$(date +%T) robot $*" >>"$shots/robot.log"
  "$wine" 'C:\robot\robot.exe' --desktop "$wine_session_name" "$@" </dev/null 2>/dev/null
}

# shot NAME: a numbered screenshot of the whole screen.
shot() {
  shot_step=$((shot_step + 1))
  sleep 0.5  # let the windows paint
  import -window root "$shots/$(printf %02d "$shot_step")-$1.png"
}

# wine_run_desktop PROGRAM [ARGS...]: starts a program on a virtual desktop
# named after the session (Xvfb has no window manager; the desktop draws
# title bars). Its process id is in $desktop_pid.
wine_run_desktop() {
  "$wine" explorer "/desktop=$wine_session_name,1024x768" "$@" </dev/null >/dev/null 2>&1 &
  desktop_pid=$!
}

# wine_wait_desktop_gone SECONDS: waits for the program started with
# wine_run_desktop to end.
wine_wait_desktop_gone() {
  local tries=$(($1 * 5))
  for _ in $(seq "$tries"); do kill -0 "$desktop_pid" 2>/dev/null || return 0; sleep 0.2; done
  return 1
}

# wine_reg_export FILE: the prefix's whole registry as regedit writes it
# (UTF-16), converted to UTF-8 for diffs.
wine_reg_export() {
  local tmp="$wine_session_work/export.reg"
  "$wine" regedit /E 'C:\robot\export.reg' </dev/null >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/drive_c/robot/export.reg" | tr -d '\r' >"$1"
  rm -f "$WINEPREFIX/drive_c/robot/export.reg" "$tmp"
}
