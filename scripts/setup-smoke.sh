#!/bin/bash
# End-to-end smoke test of setup.exe under Wine: a small package (a script
# and install.dat beside the program) on a private Xvfb screen, walked with
# robot.exe from the licence to the Final page, with a screenshot of every
# page and dialog.
#
# Usage: setup-smoke.sh SETUP_EXE ROBOT_EXE SCREENSHOT_DIR [WINE]
# SETUP_SMOKE_PREFIX=DIR keeps the Wine prefix in DIR for the next run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
setup=$(realpath "$1")
robot_exe=$(realpath "$2")
shots=$3
wine=${4:-/usr/lib/wine/wine64}
[ -x "$wine" ] || wine=wine
mkdir -p "$shots"
shots=$(realpath "$shots")

work=$(mktemp -d /tmp/setup-smoke.XXXXXX)
prefix=${SETUP_SMOKE_PREFIX:-$work/prefix}
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
pkg=$prefix/drive_c/pkg
rm -rf "$pkg" "$prefix/drive_c/Smoke"
mkdir -p "$pkg"
cp "$setup" "$pkg/setup.exe"
cp "$robot_exe" "$prefix/drive_c/robot.exe"

# The package: Install.Ini (code page 1251) and a licence in a stored RAR 5
# install.dat.
python3 - "$pkg/install.dat" <<'PY'
import sys, zlib
script = """[Version]
Script=1
[Main]
Title=Демо-программа 1.0
Copyright=ООО "Пример", 2026
DiskSize=2048
Color=$800000
Licence=Licence.txt
ReadmeView=1
ReadmeFile=1
RunApp=1
RunFile=1
[AskDirs]
SkipDirDialog=0
Count=8
Dir1=C:\\Smoke\\Демо
Desc1=Папка программы
Dir2=C:\\Smoke\\Демо\\Данные
Desc2=Папка данных
Dir3=C:\\Smoke\\Демо\\Шаблоны
Desc3=Папка шаблонов
Dir4=C:\\Smoke\\Демо\\Отчёты
Desc4=Папка отчётов
Dir5=C:\\Smoke\\Демо\\Архив
Desc5=Папка архива
Dir6=C:\\Smoke\\Демо\\Обмен
Desc6=Папка обмена данными
Dir7=C:\\Smoke\\Демо\\Журналы
Desc7=Папка журналов
Dir8=C:\\Smoke\\Демо\\Резерв
Desc8=Папка резервных копий
[FileGroups]
Count=3
Name1=Программа
ID1=1
Required1=1
Group1=1
Name2=Справочная система
ID2=2
Required2=0
Group2=1
Name3=Примеры документов
ID3=3
Required3=0
Group3=1
[Files]
Count=1
File1=1,demo.exe,1.0.0.0,1,0,#1,demo.exe,0
[SetupTypes]
Count=2
Custom=1
Setup1=Полная
Cmt1=Программа, справочная система и примеры документов.
Groups1=1,2,3
Setup2=Минимальная
Cmt2=Только программа.
Groups2=1
""".replace("\n", "\r\n").encode("cp1251")
licence = "Лицензионное соглашение демонстрационной программы.\r\n\r\nПользуйтесь на здоровье.\r\n".encode("cp1251")

def vint(v):
    out = bytearray()
    while True:
        b = v & 0x7F
        v >>= 7
        out.append(b | (0x80 if v else 0))
        if not v:
            return bytes(out)

def block(body):
    sized = vint(len(body)) + body
    return zlib.crc32(sized).to_bytes(4, "little") + sized

out = b"Rar!\x1a\x07\x01\x00" + block(vint(1) + vint(0) + vint(0))
for name, data in (("Install.Ini", script), ("Licence.txt", licence)):
    h = vint(2) + vint(2) + vint(len(data)) + vint(4) + vint(len(data)) + vint(0x20)
    h += zlib.crc32(data).to_bytes(4, "little") + vint(0) + vint(0) + vint(len(name)) + name.encode()
    out += block(h) + data
out += block(vint(5) + vint(0) + vint(0))
open(sys.argv[1], "wb").write(out)
PY

caption="Установка программы Демо-программа 1.0"
step=0
fail() {
  echo "setup-smoke: FAILED: $*"
  import -window root "$shots/failure.png" 2>/dev/null || true
  exit 1
}
robot() { "$wine" 'C:\robot.exe' --desktop smoke "$@" </dev/null 2>/dev/null; }
shot() {
  step=$((step + 1))
  sleep 0.7  # let the windows paint
  import -window root "$shots/$(printf %02d $step)-$1.png"
}
# expect waits (up to 5 s) for the text, so no step sleeps before it.
expect() { robot expect "$caption" "$1" || fail "no visible \"$1\""; }

# A temporary directory named in Greek letters, which code page 1251 lacks:
# the engine works in it through its short name.
greek_temp='C:\tmp\Προσωρινά'
mkdir -p "$prefix/drive_c/tmp/Προσωρινά"
"$wine" reg add 'HKCU\Environment' /v TEMP /d "$greek_temp" /f </dev/null >/dev/null 2>&1
"$wine" reg add 'HKCU\Environment' /v TMP /d "$greek_temp" /f </dev/null >/dev/null 2>&1

"$wine" explorer /desktop=smoke,1024x768 'C:\pkg\setup.exe' </dev/null >/dev/null 2>&1 &
desktop_pid=$!

robot wait "Лицензионное соглашение" 30000 || fail "the licence did not appear"
shot licence
robot click "Лицензионное соглашение" "Принимаю" || fail "cannot accept the licence"

box=$(robot box 15000) || fail "no warning box"
case "$box" in *"закройте все остальные программы"*) ;; *) fail "unexpected box: $box" ;; esac
shot warning
robot answer 1 || fail "cannot close the warning"

robot wait "$caption" 5000 || fail "the wizard is not shown"
# The program's title is that of the application window, which owns the
# wizard (the taskbar and Alt+Tab show it).
robot wait "Процедура установки" 2000 || fail "no application window titled Процедура установки"
[ "$(robot owner "$caption")" = "Процедура установки" ] || fail "the wizard is not owned by the application window"
# install.dat was unpacked into the Greek temporary directory (by its short name).
[ -f "$prefix/drive_c/tmp/Προσωρινά/Install.Ini" ] || fail "the script was not unpacked into $greek_temp"
robot list "$caption" >"$shots/controls.txt" || fail "cannot list the controls"
for text in "Демо-программа 1.0" "Выбор местоположения каталогов:" "Папка программы:" "Папка данных:" \
            "C:\\Smoke\\Демо" "C:\\Smoke\\Демо\\Данные" "Папка резервных копий:" "Диски"; do
  grep -qF "\"$text\"" "$shots/controls.txt" || fail "\"$text\" not among the controls"
done
expect "Для установки программы необходимо 2048 Kb"
# Eight rows do not fit: the lower ones are clipped until the list scrolls.
robot onscreen "$caption" "Папка программы:" || fail "the first row is not on screen"
robot onscreen "$caption" "C:\\Smoke\\Демо\\Резерв" && fail "the eighth row is on screen before scrolling"
shot start

# Break from the Start page: the question's buttons are Russian too.
robot click "$caption" "Отменить установку" || fail "cannot press Cancel"
box=$(robot box 10000) || fail "no break question"
case "$box" in *"Прервать установку программы?"*"[&Да] [&Нет]"*) ;; *) fail "unexpected break question: $box" ;; esac
shot break-question
robot answer 7 || fail "cannot answer No"
sleep 0.3

# Into the first field, then Tab down to the eighth: the list scrolls with it.
point=$(robot center "$caption" "C:\\Smoke\\Демо") || fail "no first field"
xdotool mousemove $point click 1
sleep 0.2
for _ in 1 2 3 4 5 6 7; do xdotool key Tab; sleep 0.1; done
sleep 0.3
robot onscreen "$caption" "C:\\Smoke\\Демо\\Резерв" || fail "Tab did not scroll the eighth row into view"
robot onscreen "$caption" "Папка программы:" && fail "the first row is still on screen"
shot start-scrolled

robot click "$caption" "Дальше" || fail "cannot press Next on Start"
expect "Варианты установки:"
expect "Полная"
shot setup-type

robot click "$caption" "По выбору пользователя" || fail "cannot choose the custom setup"
robot click "$caption" "Дальше" || fail "cannot press Next on SetupType"
expect "Выбор компонентов для установки программы:"
shot custom

robot click "$caption" "Дальше" || fail "cannot press Next on Custom"
# The copy confirmation is the program's own dialog: "&Да" and "&Нет" on
# any Windows.
robot wait "Подтверждение" 10000 || fail "no copy confirmation"
robot list "Подтверждение" >"$shots/confirm-controls.txt" || fail "cannot list the confirmation"
grep -qF "готова начать копирование файлов" "$shots/confirm-controls.txt" || fail "no copy question text"
grep -qF '"&Да"' "$shots/confirm-controls.txt" || fail "no &Да button"
grep -qF '"&Нет"' "$shots/confirm-controls.txt" || fail "no &Нет button"
shot confirm-copy
robot click "Подтверждение" "Нет" || fail "cannot refuse copying"
expect "Выбор компонентов для установки программы:"

robot click "$caption" "Дальше" || fail "cannot press Next again"
robot wait "Подтверждение" 10000 || fail "no copy confirmation the second time"
robot click "Подтверждение" "Да" || fail "cannot accept copying"
sleep 0.5
expect "Установка программы успешно завершена"
expect "Просмотреть информационный файл"
expect "Запустить установленную программу"
shot final

robot click "$caption" "OK" || fail "cannot press Finish"
# When setup.exe ends, its desktop goes too: a window that cannot be found
# any more, on a desktop that may be gone, is closed.
gone=
for _ in $(seq 50); do
  if ! robot wait "$caption" 200; then gone=1; break; fi
  sleep 0.2
done
[ -n "$gone" ] || fail "the window stayed open after Finish"
# The desktop process ends with the program.
for _ in $(seq 100); do kill -0 "$desktop_pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$desktop_pid" 2>/dev/null && fail "setup.exe did not end after Finish"
# The close steps removed what was unpacked from install.dat.
left=$(find "$prefix/drive_c" -name Install.Ini -o -name Licence.txt | grep -v '^$' || true)
[ -z "$left" ] || fail "unpacked files left behind: $left"
echo "setup-smoke: passed; screenshots in $shots"
