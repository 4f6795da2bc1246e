#!/bin/bash
# One Chimely per root: a second start hands its command line (the arguments joined by blanks) to
# the running program and ends at once without touching alarms.ini; starts at the same moment
# leave one program that heard every text; after kill -9 the next start is the first again.
# A second start under the program's own name must not empty the running program's log.
# Usage: chimely-instance.sh DEVICE-TREE TOOLS-DIR
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/chimely-lib.sh"
export CHIMELY_NOW="2026-03-07 10:00:00"
heard() { log_count "FormMain::on_other_instance_started ='$1'"; }

printf '<?xml version="1.0" encoding="UTF-8"?>\n<Alarms>\n<Alarm><AlarmType type="everyday"/><Properties time="23 0" subject="Late" note=""/></Alarm>\n</Alarms>\n' \
    > "$APP/alarms.ini"
before=$(stat -c '%i %Y %s' "$APP/alarms.ini")
start_chimely
wait_until 5 test -f "$STATE" || fail "the first instance did not start"
wait_log 3 "calculate_new_queue" || fail "the start's queue is not in the log"
first=$PID

# Each hand-over ends at once and its text arrives; the blanks between arguments join them, and
# text beyond ASCII (a character outside the Basic Multilingual Plane too) arrives as it was.
slowest=0
for text in AppRunAtTime "" "two words" '\My Documents\Zahnärztin 😀.wav'; do
    if [ "$text" = "two words" ]; then hand_over two words; else hand_over "$text"; fi
    [ "$HAND_OVER_MS" -gt "$slowest" ] && slowest=$HAND_OVER_MS
    wait_log 3 "FormMain::on_other_instance_started ='$text'" || fault "text '$text' did not arrive"
done
echo "slowest hand-over: $slowest ms"
[ "$slowest" -lt 1500 ] || fault "a second start took $slowest ms to end"
[ "$(programs_of_root)" = "$first" ] || fault "programs running: $(programs_of_root), expected $first"
[ "$(stat -c '%i %Y %s' "$APP/alarms.ini")" = "$before" ] || fault "a second start touched alarms.ini"
[ "$(heard AppRunAtTime)" -eq 1 ] || fault "'AppRunAtTime' heard $(heard AppRunAtTime) times"
HANDER=$PROGRAM hand_over ""
wait_log 3 "FormMain::on_other_instance_started =''" || fault "a start under the program's own name did not hand over"
log_has "calculate_new_queue" || fault "a second start under the program's own name emptied the running program's log"

# kill -9: nothing is cleaned up, yet the next start is the first and serves later starts.
kill -KILL "$first"
finish "$first" 3
rm -f "$STATE"
start_chimely
wait_until 5 test -f "$STATE" || fail "after kill -9 the next start did not become the first"
sleep 0.5
running "$PID" || fail "after kill -9 the next start ended"
hand_over AppRunAtTime
wait_log 3 "FormMain::on_other_instance_started ='AppRunAtTime'" || fault "after kill -9 no hand-over arrives"
hand_over close
finish "$PID" 5
[ "$STATUS" -eq 0 ] || fault "status $STATUS after 'close'"
rm -f "$STATE"

# Starts at the same moment with nothing running: one stays, and it hears every non-empty text,
# its own included (the first instance hands its own text to the main form once shown). Each
# starts under a name of its own (a link to the program), so each keeps a log of its own.
texts=(AppRunAtTime AppRunAfterWakeup '\My Documents\one.wav' '\My Documents\two.wav' '')
pids=()
for i in "${!texts[@]}"; do
    ln "$PROGRAM" "$APP/Start$i"
done
for i in "${!texts[@]}"; do
    "$APP/Start$i" "${texts[$i]}" >> "$ROOT/program-output.txt" 2>&1 &
    pids+=($!)
done
wait_until 10 programs_running 1 || fault "simultaneous starts left: $(programs_of_root)"
resident=$(programs_of_root)
for pid in "${pids[@]}"; do
    [ "$pid" = "$resident" ] && continue
    finish "$pid" 5
    [ "$STATUS" -eq 0 ] || fault "a simultaneous start ended with status $STATUS"
done
LOG="$(readlink "/proc/$resident/exe").txt"
for text in "${texts[@]}"; do
    [ -z "$text" ] && continue
    wait_log 5 "FormMain::on_other_instance_started ='$text'" || fault "simultaneous start: '$text' did not arrive"
    [ "$(heard "$text")" -eq 1 ] || fault "'$text' arrived $(heard "$text") times"
done
kill -TERM "$resident"
finish "$resident" 5
[ "$STATUS" -eq 0 ] || fault "SIGTERM with a screen open: status $STATUS"
passed
