# Shared by the editor's e2e scripts, sourced after chimely-lib.sh: where the editor's, the
# question's and the chooser's controls are on a Pocket PC at 240 x 320 (the forms fill the work
# area below the 26-pixel band), and checks of sounds and alarms.ini.
NOTE_Y=48 RECORD_X=30 PLAY_X=84 STOP_X=138
FIELD_Y=90 HOUR_X=50 HOUR_UP_X=83 MINUTE_X=154 MINUTE_UP_X=187 DATE_X=224
SUBJECT_X=120 SUBJECT_Y=174
OK_X=61 OK_Y=274 CANCEL_X=179 CANCEL_Y=274
YES_X=41 NO_X=120 ASK_CANCEL_X=199 ASK_Y=272
ROW0_Y=87 ROW_HEIGHT=26

# editor_record MS: Record, MS milliseconds of the microphone, Stop.
editor_record() { send "tap $RECORD_X $NOTE_Y" "wait $1" "tap $STOP_X $NOTE_Y" "wait 300"; }
alarms_text() { tr -d '\n\t' < "$APP/alarms.ini" 2>/dev/null; }
# device_file PATH: the Linux path of a note path as alarms.ini holds it.
device_file() {
    local path=${1//\\//}
    path=${path/\%app_path\%/$APP}
    echo "$ROOT${path#$ROOT}" | sed "s|^$ROOT/$ROOT|$ROOT|"
}
# stat_of WAV START LENGTH: sox's statistics of a stretch.
stat_of() { sox "$1" -n trim "$2" "$3" stat 2>&1 | tr -s ' ' | tr '\n' ';'; }
stat_value() { sox "$1" -n trim "$2" "$3" stat 2>&1 | sed -n "s/^$4: *//p"; }
# tone_at WAV START LENGTH HZ: loud, at about HZ (within 5 %).
tone_at() {
    local rms freq
    rms=$(stat_value "$1" "$2" "$3" 'RMS     amplitude')
    freq=$(stat_value "$1" "$2" "$3" 'Rough   frequency')
    awk -v r="$rms" -v f="$freq" -v h="$4" 'BEGIN { exit !(r > 0.05 && f > h * 0.95 && f < h * 1.05) }'
}
quiet_at() { awk -v r="$(stat_value "$1" "$2" "$3" 'RMS     amplitude')" 'BEGIN { exit !(r < 0.005) }'; }
# keep_shots NAME: the screenshots into the build's artefacts folder (CHIMELY_E2E_SHOTS).
keep_shots() {
    [ -n "${CHIMELY_E2E_SHOTS:-}" ] || return 0
    mkdir -p "$CHIMELY_E2E_SHOTS/$1"
    cp "$ROOT"/*.png "$CHIMELY_E2E_SHOTS/$1/" 2>/dev/null || true
}
# pixel_at SHOT X Y: the screenshot's colour at a device point ("R G B").
pixel_at() {
    local width
    width=$("$TOOLS/pngdump" "\\$1.png" "\\$1.rgba" | sed -n 's/.* w=\([0-9]*\) h=[0-9]*$/\1/p')
    od -An -tu1 -j $(( ($3 * width + $2) * 4 )) -N3 "$ROOT/$1.rgba" | tr -s ' ' | sed 's/^ //'
}
