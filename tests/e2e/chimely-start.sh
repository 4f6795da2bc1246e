#!/bin/bash
# Chimely's first start in an empty root and its ends: "close" with nothing running ends at once
# and builds nothing; a first start shows the main form; "close" from a second start, SIGTERM and
# SIGINT each end the resident program at once with status 0, alarms.ini rewritten; a mistyped root
# and bad screen switches are told.
# Usage: chimely-start.sh DEVICE-TREE TOOLS-DIR
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/chimely-lib.sh"
export CHIMELY_NOW="2026-03-07 10:00:00"
EMPTY_LIST='<?xml version="1.0" encoding="UTF-8"?>
<Alarms />'

# "close" as the first instance's own text: no document, no files, no wake-up service.
start=$(date +%s%N)
start_chimely close
finish "$PID" 3
[ "$STATUS" -eq 0 ] || fail "'Chimely close' alone ended with status $STATUS"
echo "close alone: $(( ($(date +%s%N) - start) / 1000000 )) ms"
for file in "$APP/alarms.ini" "$APP/settings.ini" "$STATE"; do
    [ -e "$file" ] && fail "'Chimely close' alone made $file"
done
[ -z "$(registered)" ] || fail "'Chimely close' alone registered a wake-up"

# A first start: the main form is on the screen, the queue filled (the state file names nothing).
open_input
start_chimely
shot first
frame=$("$TOOLS/pngdump" '\first.png' '\first.rgba') || fail "first frame unreadable"
[[ $frame == *" w=240 h=320" ]] || fail "first frame: $frame"
colours=$(od -An -tx4 -v -w4 "$ROOT/first.rgba" | sort -u | wc -l)
[ "$colours" -ge 8 ] || fail "first frame has only $colours colours"
running "$PID" || fail "the first instance ended"
wait_until 3 test -f "$STATE" || fail "no state file after the start"
[ "$(state_line)" = '<?xml version="1.0" encoding="UTF-8"?><Next /><Unviewed quantity="0" />' ] ||
    fail "state file of an empty list: $(state_line)"
[ -z "$(registered)" ] || fail "an empty list registered a wake-up: $(registered)"

# "close" from a second start ends it; the empty list is written.
hand_over close
finish "$PID" 3
[ "$STATUS" -eq 0 ] || fail "the program ended with status $STATUS after 'close'"
log_has "FormMain::on_other_instance_started ='close'" || fail "the log shows no 'close': $(log_text | tail -5)"
[ "$(cat "$APP/alarms.ini")" = "$EMPTY_LIST" ] || fail "alarms.ini after close: $(cat "$APP/alarms.ini")"
exec 7>&-
rm -f "$INPUT"
unset CHIMELY_INPUT

# SIGTERM and SIGINT act as "close".
for signal in TERM INT; do
    rm -f "$APP/alarms.ini"
    start_chimely
    wait_until 5 test -f "$STATE" || fail "no start before SIG$signal"
    sleep 0.3
    kill -s "$signal" "$PID"
    finish "$PID" 3
    [ "$STATUS" -eq 0 ] || fail "SIG$signal: status $STATUS"
    [ "$(cat "$APP/alarms.ini" 2>/dev/null)" = "$EMPTY_LIST" ] || fail "SIG$signal did not rewrite alarms.ini"
    rm -f "$STATE"
done
# A mistyped root says what it lacks.
mkdir "$ROOT/typo"
status=0
CHIMELY_ROOT=$ROOT/typo "$PROGRAM" > "$ROOT/typo.txt" 2>&1 || status=$?
[ "$status" -eq 1 ] && grep -q "has no program files" "$ROOT/typo.txt" ||
    fail "a mistyped root: status $status, $(cat "$ROOT/typo.txt")"

# Bad screen switches warn once each, and the program runs on the defaults.
: > "$ROOT/program-output.txt"
open_input
CHIMELY_SCREEN=wide CHIMELY_PLATFORM=tablet start_chimely
shot defaults
[[ $("$TOOLS/pngdump" '\defaults.png' '\defaults.rgba') == *" w=240 h=320" ]] || fail "not the default screen"
kill -s TERM "$PID"
finish "$PID" 3
for warning in "CHIMELY_SCREEN=wide is not a screen size" "CHIMELY_PLATFORM=tablet is not pocketpc"; do
    [ "$(grep -c "^$warning" "$ROOT/program-output.txt")" -eq 1 ] ||
        fail "not one warning '$warning': $(cat "$ROOT/program-output.txt")"
done
[ -z "$(programs_of_root)" ] || fail "programs left running: $(programs_of_root)"
echo PASS
