#!/bin/bash
# An alarm rings through the wake-up service: with the program resident (the service's start of
# Bellcue.exe hands "AppRunAtTime" over) and cold (Bellcue.exe is the first instance), playing
# the attention sound (an empty setting plays sounds/chime.wav), the spoken time and the note, in
# that order. Snooze moves the alarm's entry (state file and registration); dismiss moves on to
# the next missed alarm silently and then to tomorrow. A start late for its registration (the
# device slept) still rings the alarm it was due for, once; a start by hand with "AppRunAtTime"
# rings an alarm of the last two minutes. SIGTERM ends a ringing program as "close" does.
# Usage: chimely-ring.sh DEVICE-TREE TOOLS-DIR
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/chimely-lib.sh"
make_note
alarm() { # HOUR MINUTE SUBJECT ATTENTION TIME PAUSE
    echo "<Alarm><AlarmType type=\"everyday\"/><Properties time=\"$1 $2\" subject=\"$3\" note=\"%app_path%/note.wav\"/>"
    echo "<Events attention=\"$4\" time=\"$5\" pause=\"$6\"/></Alarm>"
}
{ echo '<Alarms>'; alarm 8 0 Ring true true false; echo '</Alarms>'; } > "$APP/alarms.ini"
export CHIMELY_AUDIO_DUMP=$DUMP
open_input

# Resident: the start registers 08:00 with the service, which starts Bellcue.exe at 08:00.
export CHIMELY_NOW="2026-03-07 07:59:55"
start_chimely
wait_until 5 test -f "$STATE" || fail "the program did not start"
[ "$(state_line)" = '<?xml version="1.0" encoding="UTF-8"?><Next name="Ring" time="08 : 00" action="6" /><Unviewed quantity="0" />' ] ||
    fault "state file before the alarm: $(state_line)"
[[ $(registered) == "2026-03-07 08:00:00 "*'\Bellcue.exe' ]] || fault "registered before the alarm: $(registered)"
wait_log 10 "FormMain::on_other_instance_started ='AppRunAtTime'" || fail "the wake-up did not reach the program"
wait_log 5 "FormEvent::form_activate  alarm = '0'" || fail "the alarm did not ring"
expected=$(ring_sessions 08:00)
settled "$(echo "$expected" | wc -l)" || fault "the resident ring played $(session_count "$DUMP") sounds"
[ "$(sessions "$DUMP")" = "$expected" ] || fault "the resident ring played
$(sessions "$DUMP")
expected (chime, the words of 08:00, note)
$expected"
shot ringing
[ "$(programs_of_root)" = "$PID" ] || fault "programs running while it rings: $(programs_of_root)"

# Snooze for 5 minutes: the entry, the state file and the registration move; nothing plays.
played=$(session_count "$DUMP")
snooze_alarm
wait_log 5 "AlarmQueue::hide_to_repeat() found" || fault "snooze did not reach the queue"
wait_until 5 grep -q 'time="08 : 05"' "$STATE" || fault "state file after snooze: $(state_line)"
[[ $(state_line) == *'<Next name="Ring" time="08 : 05" action="6" /><Unviewed quantity="0" />' ]] ||
    fault "state file after snooze: $(state_line)"
[[ $(registered) =~ ^2026-03-07\ 08:05:[0-5][0-9]\ .*Bellcue\.exe$ ]] || fault "registered after snooze: $(registered)"
sleep 1
[ "$(session_count "$DUMP")" -eq "$played" ] || fault "snooze played a sound"
hand_over close
finish "$PID" 5
[ "$STATUS" -eq 0 ] || fault "status $STATUS after 'close'"
rm -f "$STATE" "$DUMP"/*

# A service runs on the clock it was started with: the next one starts afresh.
restart_service() {
    "$TOOLS/chimely-waker" cancel '\Program Files\Chimely\Bellcue.exe'
    wait_until 5 no_waker || fail "the wake-up service did not end"
}

# Cold: nothing runs; the service starts Bellcue.exe, the first instance, and it rings. (The
# service gives the programs it starts no input script: SIGTERM ends this one.)
restart_service
export CHIMELY_NOW="2026-03-07 07:59:58"
"$TOOLS/chimely-waker" register '\Program Files\Chimely\Bellcue.exe' "2026-03-07 08:00:00"
LOG="$APP/Bellcue.exe.txt" HANDER=$PROGRAM
wait_until 10 programs_running 1 || fail "the service did not start Bellcue.exe"
PID=$(programs_of_root)
wait_log 10 "FormEvent::form_activate  alarm = '0'" || fail "the cold start did not ring"
settled "$(echo "$expected" | wc -l)" || fault "the cold ring played $(session_count "$DUMP") sounds"
[ "$(sessions "$DUMP")" = "$expected" ] || fault "the cold ring played
$(sessions "$DUMP")
expected
$expected"
rm "$APP/alarms.ini"
kill -TERM "$PID"
wait_until 5 ended "$PID" || fault "the ringing Bellcue.exe did not end on SIGTERM"
[ -f "$APP/alarms.ini" ] || fault "SIGTERM while ringing did not rewrite alarms.ini"
rm -f "$STATE" "$DUMP"/*

# Late: the device slept through 08:00 and 08:05; the service starts it at 08:10, due 08:00,
# and the later alarm rings first, with its sound.
{ echo '<Alarms>'; alarm 8 0 Ring true true false; alarm 8 5 Second true false true; echo '</Alarms>'; } \
    > "$APP/alarms.ini"
restart_service
export CHIMELY_NOW="2026-03-07 08:10:00"
rm -f "$LOG"
"$TOOLS/chimely-waker" register '\Program Files\Chimely\Bellcue.exe' "2026-03-07 08:00:00"
wait_until 10 programs_running 1 || fail "the service did not start Bellcue.exe late"
PID=$(programs_of_root)
wait_log 10 "FormEvent::form_activate  alarm = '1'" || fail "the late start did not ring the alarm of 08:05"
settled 1 || fault "the late ring of 'Second' played $(session_count "$DUMP") sounds"
[ "$(sessions "$DUMP")" = "$(wav_format "$APP/sounds/chime.wav")" ] || fault "the late ring played
$(sessions "$DUMP")"
kill -TERM "$PID"
wait_until 5 ended "$PID" || fault "the late Bellcue.exe did not end on SIGTERM"
restart_service
rm -f "$STATE" "$DUMP"/* "$LOG"

# The same late start as the service makes it, with an input script: a dismiss shows the earlier
# alarm silently, a second dismiss closes the screen, tomorrow's 08:00 is next, nothing rings again.
CHIMELY_WAKE_DUE="2026-03-07 08:00:00" "$WAKE_PROGRAM" AppRunAtTime >> "$ROOT/program-output.txt" 2>&1 &
PID=$!
wait_log 10 "FormEvent::form_activate  alarm = '1'" || fail "the late start did not ring the alarm of 08:05"
settled 1 || fault "the late ring of 'Second' played $(session_count "$DUMP") sounds"
dismiss_alarm
wait_log 5 "FormEvent::form_activate  alarm = '0'" || fault "dismiss did not move on to the alarm of 08:00"
dismiss_alarm
sleep 2
[ "$(session_count "$DUMP")" -eq 1 ] || fault "the earlier missed alarm was not silent: $(sessions "$DUMP")"
[ "$(rings)" -eq 2 ] || fault "the late start showed $(rings) alarms, expected 2"
[[ $(registered) == "2026-03-08 08:00:00 "*'\Bellcue.exe' ]] || fault "registered after the late ring: $(registered)"
[[ $(state_line) == *'<Next name="Ring" time="08 : 00" action="6" /><Unviewed quantity="0" />' ]] ||
    fault "state file after the late ring: $(state_line)"
hand_over close
finish "$PID" 5
[ "$STATUS" -eq 0 ] || fault "status $STATUS after 'close'"

# Started by hand with "AppRunAtTime" and no due time: an alarm of the last two minutes is
# missed, an older one is not.
{ echo '<Alarms>'; alarm 8 0 Ring true true false; echo '</Alarms>'; } > "$APP/alarms.ini"
LOG="$APP/Chimely.txt" HANDER=$WAKE_PROGRAM
for now in 08:01:30 08:02:30; do
    export CHIMELY_NOW="2026-03-07 $now"
    rm -f "$LOG"
    start_chimely AppRunAtTime
    wait_log 5 "in FormMain 'AppRunAtTime' 0" || fail "a start with 'AppRunAtTime' at $now did not act on it"
    if [ "$now" = 08:01:30 ]; then
        wait_log 5 "FormEvent::form_activate  alarm = '0'" || fault "started at $now, the alarm of 08:00 did not ring"
        dismiss_alarm
    else
        wait_log 5 "in FormMain 'AppRunAtTime' 3" || fault "a start with 'AppRunAtTime' at $now did not finish with it"
        log_has "in FormMain 'AppRunAtTime' 2" || fault "started at $now, the alarm of 08:00 rang"
    fi
    hand_over close
    finish "$PID" 5
    [ "$STATUS" -eq 0 ] || fault "status $STATUS after 'close'"
done
passed
