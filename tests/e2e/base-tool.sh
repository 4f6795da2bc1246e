#!/bin/bash
# chimely-base drives the base library from the shell in a fresh device root:
# language files, XML copy, zip walk and read, folder walk, named lock,
# timers on the message loop, path text, dates, the log and the fatal report.
BASE=$1
REG=$2
DATA=$3
source "$(dirname "$0")/e2e-lib.sh"

expect() {  # expect NAME EXPECTED ACTUAL
    [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"
}

# Language files: UTF-16 with a mark and 8-bit give the same answers.
printf 'title= Alarm\r\nname Caf\xe9\r\nalone\r\nnext line\r\n// note\r\nempty=\r\n' > "$ROOT/en8.lng"
{ printf '\xff\xfe'; iconv -f CP1252 -t UTF-16LE < "$ROOT/en8.lng"; } > "$ROOT/en16.lng"
want=$'title= Alarm\nname=Café\nalone=next line\nempty=\nnext=<default>\nTitle=<default>'
expect "lng 8-bit" "$want" "$("$BASE" lng '\en8.lng' title name alone empty next Title)"
expect "lng UTF-16" "$want" "$("$BASE" lng '\EN16.LNG' title name alone empty next Title)"
"$BASE" lng '\missing.lng' a 2>/dev/null && fail "missing language file read"

# XML copy keeps the document.
printf '<?xml version="1.0"?>\n<alarms><alarm name="Wake" time="07:00"/></alarms>\n' > "$ROOT/in.xml"
"$BASE" xml-copy '\in.xml' '\out.xml'
grep -q '<alarm name="Wake" time="07:00"' "$ROOT/out.xml" || fail "xml-copy: $(cat "$ROOT/out.xml")"
echo '<broken' > "$ROOT/bad.xml"
"$BASE" xml-copy '\bad.xml' '\out2.xml' 2>/dev/null && fail "broken XML copied"
[ ! -e "$ROOT/out2.xml" ] || fail "broken XML left a file"

# Zip: the walk stops at the deflated entry; reads are bounded by the entry.
cp "$DATA/stored.zip" "$DATA/mixed.zip" "$ROOT/"
expect "zip-list stored" $'Default.skin\t260\npictures/Back.png\t960\nempty.txt\t0' "$("$BASE" zip-list '\stored.zip')"
expect "zip-list mixed" $'first.txt\t12' "$("$BASE" zip-list '\mixed.zip')"
expect "zip-cat" "first entry" "$("$BASE" zip-cat '\mixed.zip' FIRST.TXT)"
expect "zip-cat offset" "entry" "$("$BASE" zip-cat '\mixed.zip' first.txt 6)"
expect "zip-cat size" "960" "$("$BASE" zip-cat '\stored.zip' 'pictures\back.png' | wc -c)"
"$BASE" zip-cat '\mixed.zip' first.txt 13 2>/dev/null && fail "zip-cat past the entry's end"
"$BASE" zip-cat '\mixed.zip' third.txt 2>/dev/null && fail "entry after a deflated one reached"

# Folder walk: files first, then each subfolder, sorted ignoring case.
mkdir -p "$ROOT/w/Sub1/deep" "$ROOT/w/sub2"
touch "$ROOT/w/b.txt" "$ROOT/w/A.txt" "$ROOT/w/c.dat" "$ROOT/w/Sub1/y.txt" "$ROOT/w/Sub1/deep/x.txt" "$ROOT/w/sub2/z.txt"
expect "find -r" $'F \\w\\A.txt\nF \\w\\b.txt\nD \\w\\Sub1\nF \\w\\Sub1\\y.txt\nD \\w\\Sub1\\deep\nF \\w\\Sub1\\deep\\x.txt\nD \\w\\sub2\nF \\w\\sub2\\z.txt' \
    "$("$BASE" find '\w' '*.txt' '*' -r)"
expect "find" $'F \\w\\c.dat\nD \\w\\sub2' "$("$BASE" find '\w' '*.dat' 'sub2')"

# Named lock: a second holder waits for the first.
"$BASE" lock ChimelyToday 2 > "$ROOT/lock1.txt" &
holder=$!
wait_until 5 grep -q locked "$ROOT/lock1.txt" || fail "first lock not taken"
start=$(date +%s%N)
"$BASE" lock ChimelyToday 0 > /dev/null
waited=$(( ($(date +%s%N) - start) / 1000000 ))
wait "$holder"
[ "$waited" -ge 1000 ] || fail "second lock did not wait (${waited} ms)"

# Timers fire in deadline order on the message loop.
expect "timers" $'1\n3\n2\n0' "$("$BASE" timers 0.4 0.05 0.3 0.1)"

# Path text and dates.
expect "expand" '\windows\x\y' "$("$BASE" expand '%windows%/x/y')"
expect "expand no macro" '\%WINDOWS%\x' "$("$BASE" expand '/%WINDOWS%/x')"
expect "relpath" '..\b\x.Lng' "$("$BASE" relpath '\windows\a\' '\Windows\B\x.Lng')"
expect "ts" "2026 03 07 06 05 00 134173371000000000" "$("$BASE" ts 2026 3 7 6 5 0)"
expect "ts add-days" "2026 03 08 06 05 00 134174235000000000" "$("$BASE" ts 2026 3 7 6 5 0 add-days 1)"
expect "ts add-minutes" "2026 03 07 07 05 00 134173407000000000" "$("$BASE" ts 2026 3 7 6 5 0 add-minutes 60)"
expect "ts add-months" "2026 04 07 06 05 00 134200155000000000" "$("$BASE" ts 2026 3 7 6 5 0 add-months 1)"
refused=$("$BASE" ts 2026 1 31 0 0 0 add-months 1 2> "$ROOT/refused.txt") && fail "31 February accepted"
[ -z "$refused" ] || fail "a refused step printed a date: $refused"
grep -q 'refused.*the time stays 2026 01 31' "$ROOT/refused.txt" || fail "refusal: $(cat "$ROOT/refused.txt")"
"$BASE" ts 2026 2 30 0 0 0 > /dev/null 2>&1 && fail "30 February accepted"
expect "dow Monday" 0 "$("$BASE" dow 2026 3 9)"
expect "dow Sunday" 6 "$("$BASE" dow 2026 3 8)"
"$BASE" dow 2026 65539 1 > /dev/null 2>&1 && fail "month 65539 taken as March"
"$BASE" dow 2026 2 29 > /dev/null 2>&1 && fail "29 February 2026 accepted"

# The log follows the registry value; the program runs from inside the root.
mkdir -p "$ROOT/Program Files/Chimely"
cp "$BASE" "$ROOT/Program Files/Chimely/chimely-base"
INSIDE="$ROOT/Program Files/Chimely/chimely-base"
LOGFILE="$ROOT/Program Files/Chimely/chimely-base.txt"
"$INSIDE" log "quiet"
[ ! -e "$LOGFILE" ] || fail "log written while switched off"
"$REG" set 'HKEY_CURRENT_USER\Software\QEVA' Log dword 1
"$INSIDE" log "Réveil ⏰"
[ "$(head -c 2 "$LOGFILE" | od -An -tx1 | tr -d ' ')" = "fffe" ] || fail "log without byte-order mark"
expect "log text" "Réveil ⏰" "$(tail -c +3 "$LOGFILE" | iconv -f UTF-16LE -t UTF-8)"

# The fatal report: log line, standard error, exit code 70.
set +e
"$INSIDE" fatal "Container::register_control" "control with id {x} already exists" 2> "$ROOT/stderr.txt"
code=$?
set -e
expect "fatal exit code" 70 "$code"
expect "fatal stderr" "Gluck: control with id {x} already exists @ Container::register_control" "$(cat "$ROOT/stderr.txt")"
expect "fatal log" "Gluck: control with id {x} already exists @ Container::register_control" \
    "$(tail -c +3 "$LOGFILE" | iconv -f UTF-16LE -t UTF-8)"
"$REG" set 'HKEY_CURRENT_USER\Software\QEVA' Log dword 0
set +e
"$BASE" fatal P M 2> "$ROOT/stderr2.txt"
code=$?
set -e
expect "fatal with log off" "70 Gluck: M @ P" "$code $(cat "$ROOT/stderr2.txt")"

echo "chimely-base: all checks passed"
