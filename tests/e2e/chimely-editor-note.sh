#!/bin/bash
# The alarm editor's voice note in the real program at 240 x 320 on a Pocket PC: a note recorded
# from a tone standing in for the microphone is an MP3 in the program's folder that decodes to the
# tone for its length, then silence, and the alarm plays it when it rings. A user's sound handed
# over by a second start becomes a new alarm's note; recording in that editor writes a new file of
# the program's own, which Cancel, a new hand-over and the program's end delete again, and the
# user's file stays byte for byte.
# Usage: chimely-editor-note.sh DEVICE-TREE TOOLS-DIR
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/chimely-lib.sh"
source "$(dirname "$0")/chimely-editor-lib.sh"

# One second of 880 Hz at the recorder's own format, then the microphone gives silence.
sox -n -r 22050 -c 1 -b 16 "$ROOT/tone.wav" synth 1.0 sine 880 gain -3 || fail "sox cannot make the tone"
mkdir -p "$ROOT/My Documents"
sox -n -r 22050 -c 1 -b 16 "$ROOT/My Documents/song.wav" synth 0.5 sine 440 gain -6 || fail "sox cannot make the song"
cp "$ROOT/My Documents/song.wav" "$ROOT/song.original"
export CHIMELY_AUDIO_IN=$ROOT/tone.wav CHIMELY_AUDIO_DUMP=$DUMP CHIMELY_NOW="2026-03-11 07:59:20"
open_input
start_chimely
shot started

# A new alarm: record about 2.5 s, stop, 08:00 typed into the counters, a subject, no actions
# but the note, Ok.
send "soft 2" "choose 1" "wait 300"
shot editor-new
editor_record 2500
send "tap $HOUR_X $FIELD_Y" "key 48" "key 56" "tap $MINUTE_X $FIELD_Y" "key 48" "key 48"
send "tap $SUBJECT_X $SUBJECT_Y" "char Tone" "wait 200"
shot editor-recorded
send "tap $OK_X $OK_Y"
wait_until 5 grep -qs 'subject="Tone"' "$APP/alarms.ini" || fail "the new alarm is not in alarms.ini: $(alarms_text)"
grep -q 'time="8 0"' "$APP/alarms.ini" || fault "the typed time is not 08:00: $(alarms_text)"
note=$(sed -n 's/.*subject="Tone" note="\([^"]*\)".*/\1/p' "$APP/alarms.ini")
file=$(device_file "$note")
[[ $note == '%app_path%'?'2026 03 11 07 59 '[0-9][0-9] ]] || fault "the note is not a generated name: '$note'"
[ -s "$file" ] || fail "no note file $file"
[ "$(ls "$APP" | grep -c '^2026 ')" -eq 1 ] || fault "the program's folder holds $(ls "$APP" | grep -c '^2026 ') notes"

# The note: an MP3 at 22050 Hz mono that mpg123 decodes to 880 Hz for a second, then silence.
mpg123 -q -w "$ROOT/note.wav" "$file" 2> "$ROOT/mpg123.txt" || fail "mpg123 does not decode the note: $(cat "$ROOT/mpg123.txt")"
[ "$(soxi -r "$ROOT/note.wav") $(soxi -c "$ROOT/note.wav")" = "22050 1" ] || fault "the note is $(soxi -r "$ROOT/note.wav") Hz, $(soxi -c "$ROOT/note.wav") channels"
length=$(soxi -D "$ROOT/note.wav")
awk -v l="$length" 'BEGIN { exit !(l > 1.8 && l < 4.0) }' || fault "the note lasts $length s for a recording of 2.5 s"
tone_at "$ROOT/note.wav" 0.15 0.7 880 || fault "the note's first second is not the input's tone: $(stat_of "$ROOT/note.wav" 0.15 0.7)"
quiet_at "$ROOT/note.wav" 1.4 0.4 || fault "after the input's second the note is not silent: $(stat_of "$ROOT/note.wav" 1.4 0.4)"

# 08:00: the alarm rings and plays the note alone (no attention sound, no spoken time).
wait_log 60 "FormEvent::form_activate  alarm = '0'" || fail "the alarm did not ring"
settled 1 || fault "the ring played $(session_count "$DUMP") sounds"
[ "$(sessions "$DUMP" | cut -d' ' -f1,2)" = "22050 1" ] || fault "the ring played $(sessions "$DUMP")"
played=$(ls "$DUMP"/*.wav | head -1)
tone_at "$played" 0.15 0.7 880 || fault "the ring did not play the note's tone: $(stat_of "$played" 0.15 0.7)"
dismiss_alarm
send "wait 300"

# A user's sound handed over: the editor opens with it as the note. Recording goes to a new
# file of the program's own; Cancel deletes it, and the user's file is as it was.
hand_over '\My Documents\song.wav'
send "wait 500"
shot editor-handed
editor_record 1200
notes() { ls "$APP" | grep -c '^2026 '; }
has_notes() { [ "$(notes)" -eq "$1" ]; }
wait_until 5 has_notes 2 || fault "recording over a handed-over file made $(notes) notes, not a second one"
send "tap $CANCEL_X $CANCEL_Y" "wait 300"
shot cancelled
wait_until 5 has_notes 1 || fault "Cancel left the abandoned recording: $(ls "$APP" | grep '^2026 ')"
cmp -s "$ROOT/song.original" "$ROOT/My Documents/song.wav" || fault "the handed-over file changed"
grep -c '<Alarm>' "$APP/alarms.ini" | grep -qx 1 || fault "Cancel added an alarm: $(alarms_text)"

# Handed over again and kept without a recording: the alarm's note is the user's file itself.
hand_over '\My Documents\song.wav'
send "wait 500" "tap $SUBJECT_X $SUBJECT_Y" "char Song" "tap $OK_X $OK_Y"
wait_until 5 grep -qs 'subject="Song" note="\\My Documents\\song.wav"' "$APP/alarms.ini" || fault "the handed-over note is not kept: $(alarms_text)"
cmp -s "$ROOT/song.original" "$ROOT/My Documents/song.wav" || fault "the handed-over file changed"

# A recording abandoned by a new hand-over (the editor is prepared afresh) or by the program's
# end goes too.
hand_over '\My Documents\song.wav'
send "wait 500"
editor_record 800
wait_until 5 has_notes 2 || fault "the recording made no file"
hand_over '\My Documents\song.wav'
wait_until 5 has_notes 1 || fault "a new hand-over left the abandoned recording: $(ls "$APP" | grep '^2026 ')"
editor_record 800
wait_until 5 has_notes 2 || fault "the recording made no file"
keep_shots note
hand_over close
finish "$PID" 10
[ "$STATUS" -eq 0 ] || fault "status $STATUS after 'close'"
has_notes 1 || fault "the program's end left the abandoned recording: $(ls "$APP" | grep '^2026 ')"
cmp -s "$ROOT/song.original" "$ROOT/My Documents/song.wav" || fault "the handed-over file changed"
passed
