#!/bin/bash
# "AppRunAfterWakeup" handed over twice in quick succession speaks the time once (silence.mp3,
# then the words of the time, as the speech script says them); one more than five seconds later
# speaks again.
# Usage: chimely-wakeup.sh DEVICE-TREE TOOLS-DIR
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/chimely-lib.sh"
export CHIMELY_NOW="2026-03-07 10:00:00"
REF=$ROOT/reference
mkdir "$REF"

# What one wake-up at 10:00 plays, made by the same players outside the program.
CHIMELY_AUDIO_DUMP=$REF "$TOOLS/chimely-audio" queue '\Program Files\Chimely\silence.mp3' || fail "silence.mp3 does not play"
CHIMELY_AUDIO_DUMP=$REF "$TOOLS/chimely-audio" speak "$SCRIPT" 10:00 || fail "the script does not speak 10:00"
expected=$(sessions "$REF")
sounds=$(session_count "$REF")
[ "$sounds" -ge 4 ] || fail "the reference holds $sounds sounds"

export CHIMELY_AUDIO_DUMP=$DUMP
start_chimely
started=$(date +%s)
wait_until 5 test -f "$STATE" || fail "the program did not start"
# The main form counts its start as the last time it spoke.
left=$(( 7 - ($(date +%s) - started) ))
[ "$left" -gt 0 ] && sleep "$left"
hand_over AppRunAfterWakeup
hand_over AppRunAfterWakeup
wait_log 5 "FormMain::on_other_instance_started ='AppRunAfterWakeup'" 2 || fail "the texts did not arrive"
log_has "AppRunAfterWakeup display on" 2 || fault "the display is not on: $(log_text | grep AppRunAfterWakeup)"
settled "$sounds" || fault "two wake-ups played $(session_count "$DUMP") sounds, one wake-up plays $sounds"
[ "$(sessions "$DUMP")" = "$expected" ] || fault "two wake-ups played
$(sessions "$DUMP")
expected
$expected"
[ "$(log_count 'FormMain::wake_up_and_say SAY')" -eq 1 ] || fault "spoke $(log_count 'FormMain::wake_up_and_say SAY') times"

sleep 6
hand_over AppRunAfterWakeup
settled $(( 2 * sounds )) || fault "a wake-up six seconds later played $(( $(session_count "$DUMP") - sounds )) sounds"
[ "$(log_count 'FormMain::wake_up_and_say SAY')" -eq 2 ] || fault "spoke $(log_count 'FormMain::wake_up_and_say SAY') times in all"
hand_over close
finish "$PID" 5
[ "$STATUS" -eq 0 ] || fault "status $STATUS after 'close'"
passed
