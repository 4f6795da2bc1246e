#!/bin/bash
# The alarm editor's flows in the real program, judged by alarms.ini and settings.ini: on a Pocket
# PC at 240 x 320 through the schedule's day view, an unchanged alarm closes without a question,
# the whole series keeps its skipped days, "only this day" skips the day opened and adds a once
# alarm on the chosen date (moved or not), a once alarm changes itself, a copy shares the note; a
# user's file never goes (through a new recording on its alarm and the deletion of every alarm
# that used it) while a generated note shared by a copy goes with its last user. The chooser plays
# the selected file at the settings' volume until Stop or its close, and Apply, the action key and
# Cancel set the attention sound or leave it; Apply is greyed while a folder is selected. On a
# smartphone at 176 x 220 one new alarm is made by keys alone, and the time stays as typed. Every new form is kept as a screenshot.
# Usage: chimely-editor-flows.sh DEVICE-TREE TOOLS-DIR
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/chimely-lib.sh"
source "$(dirname "$0")/chimely-editor-lib.sh"
export CHIMELY_NOW="2026-03-11 10:00:00"  # a Wednesday
export CHIMELY_AUDIO_DUMP=$DUMP
sox -n -r 22050 -c 1 -b 16 "$ROOT/tone.wav" synth 1.0 sine 880 gain -3 || fail "sox cannot make the tone"
export CHIMELY_AUDIO_IN=$ROOT/tone.wav
mkdir -p "$ROOT/My Documents"
sox -n -r 22050 -c 1 -b 16 "$ROOT/My Documents/song.wav" synth 0.5 sine 440 gain -6 || fail "sox cannot make the song"
sox -n -r 22050 -c 1 -b 16 "$ROOT/My Documents/bell.wav" synth 3.0 sine 660 gain -3 || fail "sox cannot make the bell"
sox -n -r 22050 -c 1 -b 16 "$ROOT/My Documents/gong.wav" synth 0.3 sine 330 gain -3 || fail "sox cannot make the gong"
echo "not a sound" > "$ROOT/My Documents/readme.txt"
cp "$ROOT/My Documents/song.wav" "$ROOT/song.original"
GENERATED="2026 01 01 10 00 00"
echo "generated" > "$APP/$GENERATED"
cat > "$APP/alarms.ini" <<'XML'
<Alarms>
<Alarm><AlarmType type="everyday"/><Properties time="7 30" subject="Gym" note="\My Documents\song.wav"/><Events attention="false" time="false" pause="true"/><Exeptions><Exeption type="once" additional="2026 3 4"/></Exeptions></Alarm>
<Alarm><AlarmType type="everyday"/><Properties time="12 0" subject="Lunch" note="%app_path%/2026 01 01 10 00 00"/><Events attention="false" time="true" pause="false"/><Exeptions/></Alarm>
<Alarm><AlarmType type="everyday"/><Properties time="18 0" subject="Song" note="\My Documents\song.wav"/><Events attention="false" time="false" pause="false"/><Exeptions/></Alarm>
</Alarms>
XML
# alarm_line SUBJECT: that alarm's element as one line (the first of that subject).
alarm_line() { alarms_text | sed 's/<Alarm>/\n<Alarm>/g' | grep -F "subject=\"$1\"" | head -1; }
alarm_count() { alarms_text | grep -o '<Alarm>' | wc -l; }
has_alarms() { [ "$(alarm_count)" -eq "$1" ]; }
line_has() { alarm_line "$1" | grep -qF -- "$2"; }
# select_row N: the day view's row N chosen by keys (a tap on the row already selected would edit
# it); edit_row / copy_row / delete_row N: that row through the page's menu.
select_row() {
    local k
    send "key 36"
    for ((k = 0; k < $1; k++)); do send "key 40"; done
}
edit_row() { select_row "$1"; send "soft 2" "choose 3" "wait 400"; }
copy_row() { select_row "$1"; send "soft 2" "choose 2" "wait 400"; }
delete_row() { select_row "$1"; send "soft 2" "choose 4" "wait 300" "tap $YES_X $ASK_Y" "wait 300"; }
# day_after N: the day view N days on, through its date picker (the right key opens it).
day_after() {
    send "key 39" "wait 300"
    for _ in $(seq "$1"); do send "key 39"; done
    send "tap $OK_X $OK_Y" "wait 300"
}
exists_file() { [ -e "$1" ]; }
missing_file() { [ ! -e "$1" ]; }

open_input
start_chimely
shot started
send "soft 2" "choose 2" "wait 400"
shot schedule
before=$(pixel_at schedule $YES_X $ASK_Y)

# Unchanged: Ok closes the editor at once; no question covers the schedule, nothing is written.
cp "$APP/alarms.ini" "$ROOT/alarms.before"
edit_row 0
shot editor-edit
send "tap $OK_X $OK_Y" "wait 400"
shot unchanged
[ "$(pixel_at unchanged $YES_X $ASK_Y)" = "$before" ] || fault "Ok on an unchanged alarm asked a question"
cmp -s "$ROOT/alarms.before" "$APP/alarms.ini" || fault "Ok on an unchanged alarm wrote $(alarms_text)"

# The whole series, with a new recording on the alarm whose note is the user's file: the time
# moves, the skipped day stays, the note is a new file of the program's, the user's file stays.
edit_row 0
editor_record 1200
send "tap $MINUTE_UP_X $FIELD_Y" "tap $OK_X $OK_Y" "wait 400"
shot question-update
send "tap $YES_X $ASK_Y"
wait_until 5 line_has Gym 'time="7 31"' || fault "Yes did not change the series: $(alarm_line Gym)"
line_has Gym 'additional="2026 3 4"' || fault "the series lost its skipped day: $(alarm_line Gym)"
line_has Gym 'note="%app_path%/2026 03 11 10 00 ' || fault "the series' note is not the new recording: $(alarm_line Gym)"
line_has Song 'note="\My Documents\song.wav"' || fault "another alarm's note changed: $(alarm_line Song)"
cmp -s "$ROOT/song.original" "$ROOT/My Documents/song.wav" || fault "the user's file changed through a recording on its alarm"
RECORDED=$(alarm_line Gym | sed -n 's/.*note="%app_path%\/\([^"]*\)".*/\1/p')

# Only this day, the date moved to 13 March in the picker and the hour to 8: the 11th (the day
# opened) is skipped, a once alarm rings on the 13th at 08:31 with the same note.
edit_row 0
send "tap $DATE_X $FIELD_Y" "wait 300" "key 39" "key 39" "wait 100"
shot picker
send "tap $OK_X $OK_Y" "wait 300" "tap $HOUR_UP_X $FIELD_Y" "tap $OK_X $OK_Y" "wait 400" "tap $NO_X $ASK_Y"
wait_until 5 has_alarms 4 || fault "only this day did not add a once alarm: $(alarms_text)"
line_has Gym 'additional="2026 3 11"' || fault "the day opened is not skipped: $(alarm_line Gym)"
line_has Gym 'time="7 31"' || fault "only this day changed the series' time: $(alarm_line Gym)"
alarms_text | grep -q '<AlarmType type="once" additional="2026 3 13" /><Properties time="8 31" subject="Gym" note="%app_path%/'"$RECORDED"'"' ||
    fault "no once alarm on 13 March at 08:31: $(alarms_text)"

# A copy of Lunch (the only row now on the 11th) shares its generated note.
copy_row 0
send "wait 300"
shot editor-copy
send "tap $OK_X $OK_Y" "wait 300"
shot copied
wait_until 5 has_alarms 5 || fault "the copy was not added: $(alarm_count) alarms: $(alarms_text | grep -o "subject=\"[A-Za-z]*\"" | tr "\n" " ")"
[ "$(alarms_text | grep -o "note=\"%app_path%/$GENERATED\"" | wc -l)" -eq 2 ] || fault "the copy does not share the note: $(alarms_text)"

# Only this day without a moved date, on the 12th: skipped there, a once alarm on the 12th.
day_after 1
edit_row 0
send "tap $HOUR_UP_X $FIELD_Y" "tap $OK_X $OK_Y" "wait 400" "tap $NO_X $ASK_Y"
wait_until 5 has_alarms 6 || fault "only this day (same date) did not add a once alarm: $(alarms_text)"
line_has Gym 'additional="2026 3 12"' || fault "the 12th is not skipped: $(alarm_line Gym)"
alarms_text | grep -q '<AlarmType type="once" additional="2026 3 12" /><Properties time="8 31"' || fault "no once alarm on 12 March: $(alarms_text)"

# A once alarm edited (row 0 of the 12th): No changes that alarm itself; nothing is skipped or added.
edit_row 0
send "tap $MINUTE_UP_X $FIELD_Y" "tap $OK_X $OK_Y" "wait 400" "tap $NO_X $ASK_Y" "wait 400"
once_changed() { alarms_text | grep -q 'additional="2026 3 12" /><Properties time="8 32"'; }
wait_until 5 once_changed || fault "the once alarm did not change: $(alarms_text)"
has_alarms 6 || fault "editing a once alarm added one: $(alarms_text)"

# Deleting: the two Lunch alarms share the generated note, which goes with the last of them;
# the user's file stays when its last alarm (Song) goes.
delete_row 1
wait_until 5 has_alarms 5 || fault "the first Lunch was not deleted: $(alarms_text)"
exists_file "$APP/$GENERATED" || fault "the shared note went with its first user"
delete_row 1
wait_until 5 has_alarms 4 || fault "the second Lunch was not deleted: $(alarms_text)"
wait_until 5 missing_file "$APP/$GENERATED" || fault "the generated note stayed after its last user"
delete_row 1
wait_until 5 has_alarms 3 || fault "Song was not deleted: $(alarms_text)"
cmp -s "$ROOT/song.original" "$ROOT/My Documents/song.wav" || fault "the user's file changed or went when its alarms were deleted"
exists_file "$APP/$RECORDED" || fault "the recording that three alarms use went"
send "soft 1" "wait 300"

# The chooser: from the root down to My Documents (dump, My Documents, ...), its files listed
# without readme.txt; bell.wav plays at the settings' volume (VolumeLow, a third) until Stop.
send "soft 2" "choose 4" "wait 400"
shot attention-root
send "key 40" "key 13" "wait 200" "key 40" "wait 200"
shot attention
# Apply (Choose) is greyed while a folder is selected: its card above the caption (blending
# rounds by a step).
near() { awk -v a="$1" -v b="$2" 'BEGIN { split(a, x); split(b, y); for (i = 1; i <= 3; i++) if (x[i] - y[i] > 2 || y[i] - x[i] > 2) exit 1 }'; }
near "$(pixel_at attention-root 139 258)" "228 223 211" || fault "Apply with a folder selected: $(pixel_at attention-root 139 258)"
near "$(pixel_at attention 139 258)" "247 243 232" || fault "Apply with a file selected: $(pixel_at attention 139 258)"
played=$(session_count "$DUMP")
send "tap 28 272" "wait 600"
send "tap 80 272" "wait 300"
wait_until 5 closed_at_least $(( played + 1 )) || fault "Stop did not end the preview"
preview=$(ls "$DUMP"/*.wav | tail -1)
peak=$(stat_value "$preview" 0 0.3 'Maximum amplitude')
awk -v p="$peak" 'BEGIN { exit !(p > 0.20 && p < 0.27) }' || fault "the preview's peak is $peak, not a third of 0.71"
tone_at "$preview" 0 0.3 660 || fault "the preview is not bell.wav: $(stat_of "$preview" 0 0.3)"
plays=$(stat_value "$preview" 0 10 'Length (seconds)')
awk -v l="$plays" 'BEGIN { exit !(l < 2.5) }' || fault "the preview ran $plays s after Stop"
send "tap 139 272"
wait_until 5 grep -qs 'attention="\\My Documents\\bell.wav"' "$APP/settings.ini" || fault "Apply did not store bell.wav: $(cat "$APP/settings.ini")"

# The action key on a file applies it; Cancel leaves the setting, and closing ends a preview.
send "soft 2" "choose 4" "wait 400" "key 40" "key 13" "wait 300"
wait_until 5 grep -qs 'attention="\\My Documents\\gong.wav"' "$APP/settings.ini" || fault "the action key did not store gong.wav: $(cat "$APP/settings.ini")"
send "soft 2" "choose 4" "wait 400" "key 38" "wait 100" "tap 28 272" "wait 400" "tap 205 272" "wait 300"
wait_until 5 closed_at_least $(( played + 2 )) || fault "closing the chooser did not end the preview"
grep -qs 'attention="\\My Documents\\gong.wav"' "$APP/settings.ini" || fault "Cancel changed the setting: $(cat "$APP/settings.ini")"

# The About box.
send "soft 2" "choose 7" "wait 400"
shot about
send "soft 1" "wait 300"
keep_shots 240x320-pocketpc
hand_over close
finish "$PID" 10
[ "$STATUS" -eq 0 ] || fault "status $STATUS after 'close'"
exec 7>&-
rm -f "$INPUT" "$ROOT"/*.png

# A smartphone at 176 x 220, keys alone: down to the time, 0 9, right to the minute (which only
# moves the focus), 4 5, down to the subject, its text, down to the actions, the action key on
# the first check box, the left soft key for Ok.
export CHIMELY_SCREEN=176x220 CHIMELY_PLATFORM=smartphone
open_input
start_chimely
shot started
send "soft 2" "choose 1" "wait 400"
shot editor-new
send "key 40" "key 48" "key 57" "key 39" "key 52" "key 53" "key 40" "char Keys" "key 40" "key 13" "wait 200"
shot editor-typed
send "soft 1"
wait_until 5 grep -qs 'subject="Keys"' "$APP/alarms.ini" || fault "the key-driven alarm was not added: $(alarms_text)"
line_has Keys 'time="9 45"' || fault "the key-driven time is not 09:45: $(alarm_line Keys)"
alarm_line Keys | grep -q 'attention="true" time="false" pause="false"' || fault "the action key did not check the first action: $(alarm_line Keys)"
send "soft 2" "choose 4" "wait 400"
shot attention
send "soft 2" "wait 300"
shot attention-menu
send "key 27" "wait 300" "soft 2" "choose 6" "wait 400"
shot about
keep_shots 176x220-smartphone
hand_over close
finish "$PID" 10
[ "$STATUS" -eq 0 ] || fault "status $STATUS after 'close' on the smartphone"
passed
