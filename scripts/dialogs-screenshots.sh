#!/bin/bash
# Screenshots of the wizard's dialogs: runs wizard_dialogs_demo.exe under
# Wine on a private Xvfb screen, waits for each dialog, photographs the
# screen and answers the dialog with the robot.
#
# Usage: dialogs-screenshots.sh DEMO_EXE ROBOT_EXE SCREENSHOT_DIR [WINE]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
demo=$(realpath "$1")
robot=$(realpath "$2")
shots=$3
wine=${4:-/usr/lib/wine/wine64}
[ -x "$wine" ] || wine=wine
mkdir -p "$shots"
shots=$(realpath "$shots")

work=$(mktemp -d /tmp/dialogs-shots.XXXXXX)
prefix=$work/prefix
xvfb_pid=
cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")
export LC_ALL=C.UTF-8

sh "$here/wine-prefix.sh" "$prefix" "$wine" >/dev/null
export WINEPREFIX=$prefix WINEDEBUG=-all HOME=$work/winehome
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$prefix/drive_c/smoke"
cp "$demo" "$prefix/drive_c/smoke/dialogs_demo.exe"
cp "$robot" "$prefix/drive_c/smoke/robot.exe"

fail() {
  echo "dialogs-screenshots: FAILED: $*"
  import -window root "$shots/failure.png" 2>/dev/null || true
  exit 1
}
robot() { "$wine" "$prefix/drive_c/smoke/robot.exe" --desktop dialogs "$@" </dev/null 2>/dev/null; }
# The window is gone; so is every window when the demo has ended and Wine
# has closed its desktop.
gone() {
  local out
  out=$(robot wait-gone "$1" 10000) && return 0
  case "$out" in *"cannot open desktop"*) return 0 ;; esac
  return 1
}
# dialog NAME CAPTION TEXT BUTTON: waits for the dialog, checks that it shows
# TEXT, photographs it and presses BUTTON.
dialog() {
  robot wait "$2" 30000 || fail "\"$2\" did not appear"
  robot list "$2" >"$shots/$1-controls.txt" || fail "cannot list \"$2\""
  robot expect "$2" "$3" || fail "\"$2\" does not show \"$3\""
  sleep 0.7  # let the windows paint
  import -window root "$shots/$1.png"
  robot click "$2" "$4" || fail "cannot press \"$4\" in \"$2\""
  gone "$2" || fail "\"$2\" stayed open after \"$4\""
}

"$wine" explorer /desktop=dialogs,1024x768 'C:\smoke\dialogs_demo.exe' </dev/null >/dev/null 2>&1 &

dialog 1-overwrite "Запрос на подтверждение перезаписи файла" "Заменить этот файл из группы \"Справка\"?" "Да для всех"
dialog 2-diskette "Продолжение установки" "Вставьте в дисковод следующую дискету" "Продолжить"
dialog 3-next-volume "Выбор каталога" "Укажите местоположение следующего установочного диска:" "Отменить"
dialog 4-licence "Лицензионное соглашение" "Внимательно ознакомтесь с данным ЛИЦЕНЗИОННЫМ СОГЛАШЕНИЕМ" "Принимаю"
dialog 5-readme "Просмотр информационного файла" "Закрыть" "Закрыть"

echo "dialogs-screenshots: passed; screenshots in $shots"
