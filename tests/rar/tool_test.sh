#!/bin/sh
# setupkit's archive commands end to end on real files: pack (plain,
# encrypted with headers, volumes in both namings), list, test, extract, and
# the failures that must give a non-zero exit status with a clear message.
#   tool_test.sh SETUPKIT
set -u
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() {  # check DESCRIPTION EXPECTED-STATUS COMMAND...
  what=$1; want=$2; shift 2
  "$@" >"$work/out" 2>"$work/err"; got=$?
  if { [ "$want" = 0 ] && [ "$got" != 0 ]; } || { [ "$want" != 0 ] && [ "$got" = 0 ]; }; then
    echo "FAILED: $what (exit $got)"; cat "$work/out" "$work/err"; fail=1
  fi
}
expect_in() {  # expect_in DESCRIPTION TEXT FILE
  grep -q -- "$2" "$3" || { echo "FAILED: $1: '$2' not in output"; cat "$3"; fail=1; }
}

mkdir -p "$work/src/sub"
printf 'hello\n' >"$work/src/a.txt"
: >"$work/src/empty"
printf 'unicode\n' >"$work/src/привет.txt"
head -c 200000 /dev/urandom >"$work/src/sub/big.bin"
cd "$work"

check "pack plain" 0 "$tool" pack plain.rar src
check "list plain" 0 "$tool" list plain.rar
expect_in "list shows unicode names" "src/привет.txt" "$work/out"
check "test plain" 0 "$tool" test plain.rar
check "extract plain" 0 "$tool" extract plain.rar out1
diff -r src out1/src >/dev/null || { echo "FAILED: extracted tree differs"; fail=1; }

check "pack encrypted headers, new-style volumes" 0 "$tool" pack enc.rar src -p 'пароль' --encrypt-headers --volume-size 64k
[ -f enc.part1.rar ] && [ -f enc.part2.rar ] || { echo "FAILED: volumes enc.part1.rar, enc.part2.rar missing"; ls; fail=1; }
check "extract encrypted" 0 "$tool" extract enc.part1.rar out2 -p 'пароль'
diff -r src out2/src >/dev/null || { echo "FAILED: encrypted tree differs"; fail=1; }
check "list without password" 1 "$tool" list enc.part1.rar
expect_in "missing password is named" "password required" "$work/err"
check "test with a wrong password" 1 "$tool" test enc.part1.rar -p wrong
expect_in "wrong password is named" "wrong password" "$work/err"

check "pack old-style volumes" 0 "$tool" pack old.rar src --volume-size 64k --old-naming
[ -f old.r00 ] || { echo "FAILED: old.r00 missing"; ls; fail=1; }
rm old.r00
check "missing volume" 1 "$tool" test old.rar
expect_in "missing volume is named" "missing volume" "$work/err"

expect_not_in() {  # expect_not_in DESCRIPTION TEXT FILE
  if grep -q -- "$2" "$3"; then echo "FAILED: $1: '$2' in output"; cat "$3"; fail=1; fi
}
expect_not_in "a missing volume is not an abort" "aborted" "$work/err"

# Names that hold terminal controls are shown escaped, never raw.
mkdir -p evil
esc=$(printf '\033')
printf 'x' >"evil/red${esc}[31mOK$(printf '\r')name"
check "pack control-character name" 0 "$tool" pack evil.rar evil
check "list control-character name" 0 "$tool" list evil.rar
expect_in "ESC is escaped" 'red\\e\[31mOK\\rname' "$work/out"
expect_not_in "no raw ESC" "$esc" "$work/out"

# Progress is drawn only on a terminal.
mkdir -p big
head -c 9000000 /dev/zero >big/zeros
check "pack big" 0 "$tool" pack big.rar big
check "test big, piped" 0 "$tool" test big.rar
expect_not_in "no percent steps when piped" "%" "$work/err"

# The output limit, with the reason.
check "output limit" 1 "$tool" extract big.rar out5 --max-output 1m
expect_in "limit named" "output limit" "$work/err"
check "no output limit" 0 "$tool" extract big.rar out6 --max-output none

# Nothing is written through a symbolic link already under the destination.
mkdir -p linked/sub outside out3
printf 'payload' >linked/sub/x
check "pack linked" 0 "$tool" pack linked.rar linked
mkdir -p out3/linked
ln -s "$work/outside" out3/linked/sub
check "extract through a planted link" 1 "$tool" extract linked.rar out3
expect_in "link refused" "symbolic link" "$work/err"
[ -z "$(ls outside)" ] || { echo "FAILED: a member was written through the link"; ls -l outside; fail=1; }

# A failed create carries the system's reason.
mkdir -p out4/src/a.txt
check "extract over a directory" 1 "$tool" extract plain.rar out4
expect_in "system reason" "directory" "$work/err"

check "not an archive" 1 "$tool" list src/a.txt
expect_in "not a RAR archive" "not a RAR archive" "$work/err"
check "bad option" 2 "$tool" pack x.rar src --volume-size 0
exit $fail
