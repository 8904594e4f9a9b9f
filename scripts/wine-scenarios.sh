#!/bin/bash
# Real installations under Wine, on one Wine prefix made for the run:
#   1. the example package through every page to the Final page; the
#      prefix's files, registry, links and uninstall log checked, and held
#      against the same run in "setupkit simulate";
#   2. its removal by the UninstallString of the Wine registry: the prefix
#      is back as it was before the installation once the next start of
#      Windows ("wineboot -r") has deleted the uninstaller itself;
#   3. a package whose later volume is damaged: the rollback leaves the
#      prefix as it was;
#   4. a Break during the extraction: rolled back likewise;
#   5. volumes on Disk1/Disk2 with the second disk elsewhere: the robot
#      answers the next-volume prompt, and the installation completes.
# Screenshots of every page and dialog are kept in OUT_DIR/screenshots.
#
# Usage: wine-scenarios.sh WINDOWS_BUILD_DIR SETUPKIT OUT_DIR
# (WINE_SCENARIOS="damaged break ..." runs only those; see the end.)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win=$(realpath "$1")
setupkit=$(realpath "$2")
mkdir -p "$3"
out=$(realpath "$3")
rm -rf "$out/screenshots" "$out/media" "$out/checks"
mkdir -p "$out/media" "$out/checks"

. "$root/scripts/wine-session.sh"
wine_session_start wine-scenarios "$out/screenshots" "$win/tools/robot/robot.exe"
checks=$out/checks

caption="Установка программы Демо-программа 1.0"
app_dir="$WINEPREFIX/drive_c/Program Files/Демо"

# --- the media ---------------------------------------------------------
bash "$root/scripts/example-package.sh" "$win" "$setupkit" "$out/media/full" >"$checks/build-full.txt"
bash "$root/scripts/example-package.sh" "$win" "$setupkit" "$out/media/disks" --volume-size 800000 --disks \
  >"$checks/build-disks.txt"
[ -f "$out/media/disks/Disk2/data.001" ] || fail "the split medium has no Disk2/data.001"

# A copy whose last volume is damaged in the middle of its member data.
cp -r "$out/media/disks" "$out/media/damaged"
last=$(ls "$out/media/damaged"/Disk*/data.0* | sort -V | tail -n1)
python3 - "$last" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
for i in range(len(data) // 2, len(data) // 2 + 64):
    data[i] ^= 0x5A
open(path, "wb").write(data)
PY

# A package with one large member, so the extraction lasts long enough to
# press Break while it runs.
big=$(mktemp -d /tmp/big-package.XXXXXX)
trap 'rm -rf "$big"; wine_session_stop' EXIT
python3 - "$big" <<'PY'
import os, sys
d = sys.argv[1]
script = """[Version]
Script=1
[Main]
Title=Большой пакет 1.0
DiskSize=400000
LogFile=#1\\big.log
[AskDirs]
Count=1
Dir1=C:\\Big
Desc1=Папка программы
Macro1=1
[FileGroups]
Count=1
Name1=Данные
ID1=1
Required1=1
Group1=1,2
[Files]
Count=2
File1=1,small.txt,1.0.0.0,1,0,#1,small.txt,0
File2=2,big.bin,1.0.0.0,1,0,#1,big.bin,0
[SetupTypes]
Count=1
Setup1=Полная
Groups1=1
"""
open(os.path.join(d, "Install.Ini"), "wb").write(script.replace("\n", "\r\n").encode("cp1251"))
open(os.path.join(d, "small.txt"), "wb").write(b"first\r\n")
with open(os.path.join(d, "big.bin"), "wb") as f:
    block = os.urandom(1 << 20)
    for _ in range(384):
        f.write(block)
PY
"$setupkit" build "$big" "$out/media/big" --setup-exe "$win/app/setup.exe" >"$checks/build-big.txt"
rm -rf "$big"

# --- the state of the prefix -------------------------------------------
# The files of drive C: (without the robot, the media and temporary files)
# and the registry's software keys, as text that diff can compare.
snapshot() {
  local name=$1
  (cd "$WINEPREFIX/drive_c" &&
    find . \( -path ./robot -o -path ./media -o -path ./windows/temp -o -path './users/*/Temp' \
      -o -path './users/*/AppData/Local/Temp' -o -name '*.log' -path './windows/*' \) -prune -o -printf '%y %p %s\n' |
    sort) >"$checks/$name.files"
  local part
  : >"$checks/$name.reg"
  for part in 'HKEY_LOCAL_MACHINE\Software' 'HKEY_CURRENT_USER\Software'; do
    "$wine" regedit /E 'C:\robot\part.reg' "$part" </dev/null >/dev/null 2>&1 || true
    iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/drive_c/robot/part.reg" | tr -d '\r' |
      grep -v -e '^Windows Registry Editor' >>"$checks/$name.reg" || true
    rm -f "$WINEPREFIX/drive_c/robot/part.reg"
  done
  # Wine's own bookkeeping changes with every program start.
  python3 - "$checks/$name.reg" <<'PY'
import re, sys
path = sys.argv[1]
noise = re.compile(r"^\[HKEY_CURRENT_USER\\Software\\Wine|^\[HKEY_LOCAL_MACHINE\\Software\\Wine"
                   r"|^\[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"
                   r"|^\[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\(Perflib|Fonts)")
out, skip = [], False
for line in open(path, encoding="utf-8", errors="replace").read().split("\n"):
    if line.startswith("["):
        skip = bool(noise.match(line))
    if not skip:
        out.append(line)
open(path, "w", encoding="utf-8").write("\n".join(out))
PY
}

# same_state BEFORE AFTER WHAT: fails, naming every file, folder, key and
# value that was added, removed or changed, when the states differ.
same_state() {
  diff -u "$checks/$1.files" "$checks/$2.files" >"$checks/$2.files.diff" || true
  diff -u "$checks/$1.reg" "$checks/$2.reg" >"$checks/$2.reg.diff" || true
  if [ -s "$checks/$2.files.diff" ] || [ -s "$checks/$2.reg.diff" ]; then
    python3 - "$checks/$2.files.diff" "$checks/$2.reg.diff" <<'PY' | tee "$checks/$2.differences.txt"
import sys
files, reg = (open(p, encoding="utf-8").read().split("\n") for p in sys.argv[1:])
kinds = {"f": "file", "d": "folder", "l": "link"}
for line in files:
    if line[:1] in "+-" and not line.startswith(("+++", "---")) and len(line) > 3:
        kind, rest = line[1:].split(" ", 1)
        path, size = rest.rsplit(" ", 1)
        what = "left behind" if line[0] == "+" else "missing now"
        print("%s: %s C:%s%s" % (what, kinds.get(kind, kind), path[1:].replace("/", "\\"),
                                 " (%s bytes)" % size if kind == "f" else ""))
key = None
for line in reg:
    if line.startswith(("+++", "---", "@@")):
        continue
    body = line[1:]
    if body.startswith("["):
        key = body
    if line[:1] in "+-" and body.strip():
        what = "left behind" if line[0] == "+" else "missing now"
        print("%s: registry %s" % (what, body if body.startswith("[") else "%s %s" % (key, body)))
PY
    fail "$3: the prefix differs from its state before (above; diffs in $checks)"
  fi
  echo "wine-scenarios: $3: the prefix is as it was before"
}

# --- driving setup.exe ---------------------------------------------------
# start_setup MEDIUM_DIR [SUBFOLDER]: copies the medium to C:\media and starts
# its setup.exe on the session's desktop.
start_setup() {
  rm -rf "$WINEPREFIX/drive_c/media"
  cp -r "$1" "$WINEPREFIX/drive_c/media"
  local exe='C:\media\setup.exe'
  [ -n "${2:-}" ] && exe="C:\\media\\$2\\setup.exe"
  wine_run_desktop "$exe"
}

# answer_box TEXT_PART BUTTON_ID: the message box that must show now.
answer_box() {
  local text
  text=$(robot box 20000) || fail "no message box (expected \"$1\")"
  echo "$text" >>"$checks/boxes.txt"
  case "$text" in *"$1"*) ;; *) fail "unexpected message box: $text (expected \"$1\")" ;; esac
  [ -n "${3:-}" ] && shot "$3"
  robot answer "$2" || fail "cannot answer the box \"$1\""
}

# Licence (when the package has one), the warning, Start, SetupType, the
# copy confirmation.
walk_to_copy() {
  local title=$1 licence=$2 want_shots=${3:-}
  if [ "$licence" = yes ]; then
    robot wait "Лицензионное соглашение" 60000 || fail "the licence did not appear"
    [ -n "$want_shots" ] && shot licence
    robot click "Лицензионное соглашение" "Принимаю" || fail "cannot accept the licence"
  fi
  answer_box "закройте все остальные программы" 1 ${want_shots:+warning}
  robot wait "$title" 10000 || fail "the wizard is not shown"
  [ -n "$want_shots" ] && shot start
  robot click "$title" "Дальше" || fail "cannot press Next on Start"
  robot expect "$title" "Варианты установки:" || fail "no SetupType page"
  [ -n "$want_shots" ] && shot setup-type
  robot click "$title" "Дальше" || fail "cannot press Next on SetupType"
  confirm_copy "$want_shots"
}

# The copy confirmation: the wizard's own dialog "Подтверждение" with "Да"
# and "Нет", or (older wizards) a system message box answered by its ID.
confirm_copy() {
  robot wait "Подтверждение" 10000 || fail "no copy confirmation"
  [ -n "${1:-}" ] && shot confirm-copy
  if robot expect "Подтверждение" "Да" >/dev/null; then
    robot click "Подтверждение" "Да" || fail "cannot confirm copying"
  else
    answer_box "" 6
  fi
}

# finish: untick the readme and the program start, press OK, wait for the end.
finish() {
  local title=$1
  robot wait-text "$title" "Установка программы успешно завершена" 120000 ||
    fail "the Final page did not appear"
  shot final
  for box in "Просмотреть информационный файл" "Запустить установленную программу"; do
    if robot checked "$title" "$box" 2>/dev/null; then robot click "$title" "$box" || true; fi
  done
  robot click "$title" "OK" || fail "cannot press Finish"
  wine_wait_desktop_gone 60 || fail "setup.exe did not end after Finish"
}

# --- 3. damaged later volume: fatal error, rollback --------------------
scenario_damaged() {
  start_setup "$out/media/damaged" Disk1
  walk_to_copy "$caption" yes
  answer_box "Фатальная ошибка" 1 damaged-fatal
  wine_wait_desktop_gone 60 || fail "setup.exe did not end after the fatal error"
  snapshot after-damaged
  same_state before after-damaged "damaged volume"
}

# --- 4. Break during the extraction ------------------------------------
scenario_break() {
  start_setup "$out/media/big"
  big_caption="Установка программы Большой пакет 1.0"
  walk_to_copy "$big_caption" no
  robot wait-text "$big_caption" "Копирование файла" 30000 || fail "the Process page did not appear"
  shot process-big
  robot click "$big_caption" "Прервать установку" || fail "cannot press Break"
  # The question holds the extraction: big.bin must be part-written now,
  # or the Break came too late to test anything.
  robot wait "Подтверждение" 10000 || fail "no Break question"
  local partial
  partial=$(stat -c %s "$WINEPREFIX/drive_c/Big/big.bin" 2>/dev/null || echo 0)
  [ "$partial" -gt 0 ] && [ "$partial" -lt $((384 << 20)) ] ||
    fail "big.bin is not part-written at the Break ($partial bytes)"
  echo "wine-scenarios: Break pressed with big.bin at $partial of $((384 << 20)) bytes"
  answer_box "Прервать установку программы?" 6 break-question
  wine_wait_desktop_gone 120 || fail "setup.exe did not end after the Break"
  snapshot after-break
  same_state before after-break "Break during the extraction"
  rm -rf "$out/media/big" "$WINEPREFIX/drive_c/media"  # 400 MB kept by nothing else
}

# --- 1. the example package through every page -------------------------
scenario_install() {
  start_setup "$out/media/full"
  walk_to_copy "$caption" yes shots
  # The small package copies too fast to catch the Process page here; the
  # Break scenario's large member shows it mid-run.
  finish "$caption"
  snapshot after-install

  for f in demo.exe demo.htm "Прочти меня.txt" demo.ini democtl.ocx demo.tlb Uninst.exe demo-install.log; do
    [ -f "$app_dir/$f" ] || fail "not installed: $f"
  done
  [ -f "$WINEPREFIX/drive_c/windows/system32/democore.dll" ] || fail "not installed: democore.dll"
  grep -q "Data=C:\\\\Program Files\\\\Демо\\\\Данные" <(iconv -f CP1251 -t UTF-8 "$app_dir/demo.ini") ||
    fail "demo.ini: its path macros were not expanded"
  log_utf8=$checks/install-log.txt
  iconv -f CP1251 -t UTF-8 "$app_dir/demo-install.log" | tr -d '\r' >"$log_utf8"
  head -n1 "$log_utf8" | grep -qx "Uninstall information storage. Version 2." || fail "the log has no format line"
  for line in "File=C:\\Program Files\\Демо\\demo.exe" "RegSharedIncrement=C:\\windows\\system32\\democore.dll" \
              "RegEntry=DemoProgram" "OCX=C:\\Program Files\\Демо\\democtl.ocx" "TLB=C:\\Program Files\\Демо\\demo.tlb"; do
    grep -qiF "$line" "$log_utf8" || fail "the log lacks \"$line\""
  done
  links=$(find "$WINEPREFIX/drive_c/users" -name 'Демо-программа.lnk' | wc -l)
  [ "$links" -ge 2 ] || fail "expected the Programs and Desktop links, found $links"
  # Registry values from the export (reg query prints Cyrillic in the
  # console's code page).
  reg_value() {
    python3 - "$checks/after-install.reg" "$1" "$2" <<'PY'
import sys
path, key, name = sys.argv[1:]
want = '"%s"=' % name if name != "@" else "@="
section = None
for line in open(path, encoding="utf-8").read().split("\n"):
    if line.startswith("["):
        section = line[1:-1]
    elif section is not None and section.lower() == key.lower() and line.startswith(want):
        value = line[len(want):]
        if value.startswith('"'):
            value = value[1:-1].replace('\\"', '"').replace("\\\\", "\\")
        print(value)
        sys.exit(0)
sys.exit(1)
PY
  }
  reg_value 'HKEY_LOCAL_MACHINE\Software\Пример\Демо' InstallDir | grep -qx 'C:\\Program Files\\Демо\\' ||
    fail "HKLM\\Software\\Пример\\Демо InstallDir is not set"
  reg_value 'HKEY_CURRENT_USER\Software\Пример\Демо' Runs | grep -qx 'dword:00000000' ||
    fail "HKCU\\Software\\Пример\\Демо Runs is not set"
  uninstall_string=$(reg_value 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\DemoProgram' \
    UninstallString) || fail "no UninstallString"
  reg_value 'HKEY_LOCAL_MACHINE\Software\Classes\Demo.Control\CLSID' @ >/dev/null ||
    fail "the COM server is not registered"
  reg_value 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\SharedDLLs' \
    'C:\\windows\\system32\\democore.dll' | grep -qx 'hex:01,00,00,00' ||
    fail "democore.dll has no SharedDLLs count of 1"
  echo "wine-scenarios: installed; UninstallString: $uninstall_string"

  # The same run on the simulated machine, which gets the SharedDLLs key the
  # prefix was given: the same log, files and registry values.
  local machine=$out/media/machine
  mkdir -p "$machine"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]\r\n' \
    >"$machine/registry.reg"
  "$setupkit" simulate "$out/media/full" --machine "$machine" --answers "$root/examples/answers.ini" \
    >"$checks/simulate.txt" || fail "setupkit simulate did not install (see $checks/simulate.txt)"
  python3 "$root/scripts/wine-vs-simulate.py" "$checks/simulate.txt" "$log_utf8" "$checks/before.files" \
    "$checks/after-install.files" "$checks/after-install.reg" >"$checks/vs-simulate.txt" || {
    cat "$checks/vs-simulate.txt"
    fail "the simulated run differs from the real one"
  }
  echo "wine-scenarios: setupkit simulate agrees: $(tail -n1 "$checks/vs-simulate.txt")"
}

# --- 2. removal through the Uninstall entry ----------------------------
scenario_uninstall() {
  # The command line split as Windows splits it: quotes group, and the
  # program is started with its arguments as the entry says.
  local argv=()
  mapfile -t argv < <(python3 - "$uninstall_string" <<'PY'
import sys
line, args, cur, quoted, have = sys.argv[1], [], "", False, False
for ch in line:
    if ch == '"':
        quoted, have = not quoted, True
    elif ch in " \t" and not quoted:
        if have or cur:
            args.append(cur)
        cur, have = "", False
    else:
        cur += ch
if have or cur:
    args.append(cur)
print("\n".join(args))
PY
  )
  wine_run_desktop "${argv[@]}"
  answer_box "Удалить программу" 6 uninstall-confirm
  while text=$(robot box 20000); do
    case "$text" in
      *"больше не используется"*) shot uninstall-shared; robot answer 6 ;;
      *"удалена"*|*"Удаление завершено"*) shot uninstall-done; echo "$text" >"$checks/uninstall-report.txt"; robot answer 1; break ;;
      *) fail "unexpected box during the removal: $text" ;;
    esac
  done
  wine_wait_desktop_gone 60 || fail "the uninstaller did not end"
  grep -q "удалена" "$checks/uninstall-report.txt" || fail "the removal reported problems: $(cat "$checks/uninstall-report.txt")"
  [ ! -e "$app_dir/demo.exe" ] && [ ! -e "$WINEPREFIX/drive_c/windows/system32/democore.dll" ] ||
    fail "the removal left the program's files"
  echo "wine-scenarios: removed through the UninstallString"
}

# --- 2b. after the removal the prefix is as it was before the installation
scenario_uninstall_clean() {
  # The uninstaller cannot delete itself while it runs: it leaves that to
  # the next start of Windows, which "wineboot -r" performs.
  "$wine" wineboot -r </dev/null >/dev/null 2>&1 || fail "wineboot -r failed"
  snapshot after-uninstall
  same_state before after-uninstall "install, then uninstall"
}

# --- 5. volumes on Disk1/Disk2, the second disk elsewhere ---------------
scenario_disks() {
  rm -rf "$WINEPREFIX/drive_c/media"
  cp -r "$out/media/disks" "$WINEPREFIX/drive_c/media"
  mkdir -p "$WINEPREFIX/drive_c/second"
  mv "$WINEPREFIX"/drive_c/media/Disk2/* "$WINEPREFIX/drive_c/second/"
  rmdir "$WINEPREFIX/drive_c/media/Disk2"
  touch "$checks/disks-start"
  wine_run_desktop 'C:\media\Disk1\setup.exe'
  walk_to_copy "$caption" yes
  robot wait "Выбор каталога" 60000 || fail "no next-volume prompt"
  shot next-volume
  robot settext "Выбор каталога" 'C:\second\' || fail "cannot type the volume's folder"
  robot click "Выбор каталога" "OK" || fail "cannot confirm the volume's folder"
  finish "$caption"
  # A new log; democtl.ocx and demo.tlb come from the second disk (their
  # times are the members', so only their bytes tell).
  [ "$app_dir/demo-install.log" -nt "$checks/disks-start" ] || fail "the split package wrote no log"
  for f in democtl.ocx demo.tlb; do
    cmp -s "$app_dir/$f" "$win/examples/demo/bin/files/$f" || fail "the split package did not install $f"
  done
  echo "wine-scenarios: the split package installed with the second disk elsewhere"
}

# WINE_SCENARIOS picks scenarios by name (the removal needs the installation
# before it, the clean-prefix check the removal); by default every one runs,
# in this order.
scenarios=${WINE_SCENARIOS:-damaged break install uninstall uninstall-clean disks}
# Windows always has the SharedDLLs key, a fresh Wine prefix has not; the
# engine counts shared files only in an existing key.
"$wine" reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs' /f </dev/null >/dev/null 2>&1 ||
  fail "cannot create the SharedDLLs key"
snapshot before
for name in $scenarios; do
  t0=$SECONDS
  "scenario_${name//-/_}"
  echo "wine-scenarios: $name took $((SECONDS - t0)) s"
done
echo "wine-scenarios: passed ($scenarios); screenshots in $out/screenshots"

