#!/bin/bash
# GUI smoke test of the UI toolkit: runs ui_demo.exe under Wine on a
# private Xvfb screen, drives it with robot.exe, checks the texts it reads
# and keeps screenshots.
#
# Usage: gui-smoke.sh UI_DEMO_EXE ROBOT_EXE SCREENSHOT_DIR [WINE]
# GUI_SMOKE_PREFIX=DIR keeps the Wine prefix in DIR for the next run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
demo=$(realpath "$1")
robot=$(realpath "$2")
shots=$3
wine=${4:-/usr/lib/wine/wine64}
[ -x "$wine" ] || wine=wine
mkdir -p "$shots"
shots=$(realpath "$shots")
rm -f "$shots"/*.png "$shots/robot.log"

work=$(mktemp -d /tmp/gui-smoke.XXXXXX)
prefix=${GUI_SMOKE_PREFIX:-$work/prefix}
xvfb_pid=
cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# A screen of our own; Xvfb picks a free display number.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")
export LC_ALL=C.UTF-8

t0=$(date +%s)
sh "$here/wine-prefix.sh" "$prefix" "$wine" >/dev/null
echo "gui-smoke: wine prefix ready after $(( $(date +%s) - t0 )) s"
export WINEPREFIX=$prefix WINEDEBUG=-all HOME=$work/winehome
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$prefix/drive_c/smoke"
cp "$demo" "$prefix/drive_c/smoke/ui_demo.exe"
cp "$robot" "$prefix/drive_c/smoke/robot.exe"

caption="Демонстрация элементов установки"
step=0
fail() {
  echo "gui-smoke: FAILED: $*"
  import -window root "$shots/failure.png" 2>/dev/null || true
  exit 1
}
robot() { echo "$(date +%T) robot $*" >>"$shots/robot.log"; "$wine" "$prefix/drive_c/smoke/robot.exe" --desktop smoke "$@" </dev/null 2>/dev/null; }
shot() {
  step=$((step + 1))
  sleep 0.5  # let the windows paint
  import -window root "$shots/$(printf %02d $step)-$1.png"
}
expect() { robot expect "$caption" "$1" || fail "no visible \"$1\""; }

# The virtual desktop draws title bars (Xvfb has no window manager).
"$wine" explorer /desktop=smoke,1024x768 'C:\smoke\ui_demo.exe' </dev/null >/dev/null 2>&1 &

robot wait "$caption" 30000 || fail "the demo window did not appear"
robot list "$caption" >"$shots/controls.txt" || fail "cannot list the controls"
for text in "&Дальше" "&Назад" "Выбор местоположения каталогов:" "Основные файлы программы" \
            "C:\\Program Files\\Пример" "Программа установки «Пример»"; do
  grep -qF "\"$text\"" "$shots/controls.txt" || fail "\"$text\" not among the controls"
done
expect "Выбор компонентов для установки программы:"
shot start

# The browse button's hint shows as a tooltip under the mouse.
if command -v xdotool >/dev/null; then
  point=$(robot center "$caption" "...") || fail "no browse button"
  xdotool mousemove $point
  sleep 1.5
  shot hint
fi

robot click "$caption" "Дальше" || fail "cannot press Next"
sleep 0.3
expect "Всего завершено:"
robot expect "$caption" "Выбор компонентов для установки программы:" && fail "the first page is still shown"
sleep 1  # the progress timer runs
shot process

robot click "$caption" "Сведения" || fail "cannot press the message button"
box=$(robot box 10000) || fail "no message box"
case "$box" in *"кириллица отображается"*) ;; *) fail "unexpected message box: $box" ;; esac
shot message
robot answer 1 || fail "cannot answer the message box"

robot click "$caption" "Назад" || fail "cannot press Back"
sleep 0.3
expect "Выбор компонентов для установки программы:"

# Cancel answered No keeps the window; Yes closes it.
robot click "$caption" "Отменить установку" || fail "cannot press Cancel"
box=$(robot box 10000) || fail "no confirmation box"
case "$box" in *"Прервать установку программы?"*) ;; *) fail "unexpected confirmation: $box" ;; esac
shot confirm
robot answer 7 || fail "cannot answer No"
sleep 0.3
robot wait "$caption" 2000 || fail "the window closed on No"
robot click "$caption" "Отменить установку" || fail "cannot press Cancel again"
robot box 10000 >/dev/null || fail "no confirmation box the second time"
robot answer 6 || fail "cannot answer Yes"
robot wait-gone "$caption" 10000 || fail "the window stayed open after Yes"

echo "gui-smoke: passed; screenshots in $shots"
