#!/bin/bash
# A snoozed alarm rings again: five minutes after the snooze the wake-up service starts
# Bellcue.exe, the resident program shows the alarm again with its sounds (the time now spoken is
# the snooze's), and a dismiss then registers tomorrow's alarm. It takes five real minutes, so it
# runs only when CHIMELY_E2E_SLOW=1 (status 77, skipped, otherwise).
# Usage: chimely-snooze.sh DEVICE-TREE TOOLS-DIR
[ "${CHIMELY_E2E_SLOW:-}" = 1 ] || { echo "five minutes long: set CHIMELY_E2E_SLOW=1 to run it"; exit 77; }
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/chimely-lib.sh"
make_note
printf '%s\n' '<Alarms><Alarm><AlarmType type="everyday"/><Properties time="8 0" subject="Ring" note="%app_path%/note.wav"/>' \
    '<Events attention="true" time="true" pause="false"/></Alarm></Alarms>' > "$APP/alarms.ini"
export CHIMELY_AUDIO_DUMP=$DUMP CHIMELY_NOW="2026-03-07 07:59:58"
open_input
start_chimely
wait_log 10 "FormEvent::form_activate  alarm = '0'" || fail "the alarm did not ring"
first=$(ring_sessions 08:00)
settled "$(echo "$first" | wc -l)" || fail "the first ring played $(session_count "$DUMP") sounds"
snooze_alarm
wait_log 5 "AlarmQueue::hide_to_repeat() found" || fail "snooze did not reach the queue"
snoozed=$(registered)
echo "snoozed until ${snoozed%% \\*}"

wait_log 330 "FormEvent::form_activate  alarm = '0'" 2 || fail "the snoozed alarm did not ring again"
log_has "FormMain::on_other_instance_started ='AppRunAtTime'" 2 || fault "the second ring came without a wake-up"
again=$(ring_sessions 08:05)
settled $(( $(echo "$first" | wc -l) + $(echo "$again" | wc -l) )) || fault "the second ring played $(session_count "$DUMP") sounds in all"
[ "$(sessions "$DUMP")" = "$first
$again" ] || fault "the two rings played
$(sessions "$DUMP")
expected
$first
$again"
dismiss_alarm
wait_until 5 grep -q 'quantity="0"' "$STATE" || fault "state file after dismiss: $(state_line)"
[[ $(registered) == "2026-03-08 08:00:00 "*'\Bellcue.exe' ]] || fault "registered after dismiss: $(registered)"
hand_over close
finish "$PID" 5
[ "$STATUS" -eq 0 ] || fault "status $STATUS after 'close'"
passed
