#!/bin/bash
# skins SKINPROBE SKINC PNGDUMP DEVICE SOURCE: the shipped application skin's main and
# ringing forms shown by skinprobe on a Pocket PC at 240 x 320 and 480 x 640 (scale 2,
# the "_x2" pictures) and on a smartphone at 176 x 220; a few pixels of each screenshot
# prove the chosen variant and its art: the clock face and its pivot, the buttons' colours,
# the soft-key variant drawing no buttons.
source "$(dirname "$0")/e2e-lib.sh"
PROBE=$1 SKINC=$2 PNGDUMP=$3 DEVICE=$4 SOURCE=$5
source "$(dirname "$0")/skinprobe-lib.sh"
# The hands stand at 10:09:37 and move on by a few degrees while the test runs.
export CHIMELY_NOW="2026-12-09 10:09:37"

APP="$ROOT/Program Files/Chimely"
mkdir -p "$APP/src"
[ -f "$DEVICE/Program Files/Chimely/skin/Default.skin" ] || fail "no built skin in $DEVICE"
cp -r "$DEVICE/Program Files/Chimely/skin" "$APP/"
printf 'eSnooze=Snooze\n' > "$APP/English.lng"
# The skin as shipped, with the texts the program would set.
cp "$SOURCE"/*.xml "$APP/src/"
sed -i -e 's|<control name="frmTime">|&<string name="Text" value="07 : 30"/>|' \
       -e 's|<control name="frmMessage">|&<string name="Text" value="Wake up"/>|' "$APP/src/FormEvent.xml"
"$SKINC" '\Program Files\Chimely\src\skin.xml' '\Program Files\Chimely\skin\Default.skin' '\Program Files\Chimely\skin' ||
    fail "skinc"

# show FORM SCREEN PROFILE [LINE...]: a screenshot $ROOT/FORM-PROFILE-SCREEN.png, then the
# input lines; the form's events in $ROOT/FORM-PROFILE-SCREEN.events.
show() {
    local shot=$1-$3-$2 rc=0
    { printf 'wait 50\nshot %s\n' "$ROOT/$shot.png"; printf '%s\n' "${@:4}"; } > "$ROOT/script"
    CHIMELY_SCREEN=$2 CHIMELY_PLATFORM=$3 CHIMELY_INPUT="$ROOT/script" timeout 30 "$PROBE" \
        '\Program Files\Chimely\skin\Default.skin' '\Program Files\Chimely\English.lng' "$1" \
        > "$ROOT/$shot.events" 2> "$ROOT/$shot.errors" || rc=$?
    [ "$rc" = 0 ] && [ ! -s "$ROOT/$shot.errors" ] || { cat "$ROOT/$shot.errors" >&2; fail "$shot: skinprobe ended with $rc"; }
}
# expect SHOT X Y "R G B" WHAT: the pixel within 4 of the colour (blending rounds).
expect() {
    local got want i
    read -r -a got <<< "$(pixel "$1" "$2" "$3")"
    read -r -a want <<< "$4"
    for i in 0 1 2; do
        (( got[i] - want[i] <= 4 && want[i] - got[i] <= 4 )) || fail "$1: $5 at ($2, $3) is ${got[*]}, not $4"
    done
}
# night SHOT X Y WHAT: the night-blue backdrop (blue well above red).
night() {
    local got
    read -r -a got <<< "$(pixel "$1" "$2" "$3")"
    (( got[2] > got[0] + 30 && got[2] < 140 )) || fail "$1: $4 at ($2, $3) is ${got[*]}, not the backdrop"
}
IVORY="247 243 232" INK="27 42 65" AMBER="242 177 52" RED="184 59 50" CORAL="228 87 46"

# Pocket PC, 240 x 320: the work area starts below the 26-pixel band; the 200-pixel clock at (20, 34).
# A tap on the clock reaches the backdrop button under it.
show FormMain 240x320 pocketpc "tap 120 190" "tap 8 280"
[ "$(cat "$ROOT/FormMain-pocketpc-240x320.events")" = "EVENT on_click sender=btnBackground
EVENT on_click sender=btnBackground" ] || fail "taps on the main form: $(cat "$ROOT/FormMain-pocketpc-240x320.events")"
expect FormMain-pocketpc-240x320 120 157 "$CORAL" "the second hand's cap over the pivot"
expect FormMain-pocketpc-240x320 120 190 "$IVORY" "the face below the pivot"
expect FormMain-pocketpc-240x320 120 75 "$INK" "the twelve o'clock mark"
night FormMain-pocketpc-240x320 8 40 "the backdrop button"
# Taps on Snooze, Dismiss and the card; one on Snooze's clear corner hits nothing.
show FormEvent 240x320 pocketpc "tap 120 205" "tap 120 260" "tap 120 130" "tap 8 180"
printf 'EVENT on_click sender=%s\n' btnRepeat btnClose frmMessage > "$ROOT/expected"
diff "$ROOT/expected" "$ROOT/FormEvent-pocketpc-240x320.events" >&2 || fail "taps on the ringing form"
expect FormEvent-pocketpc-240x320 30 190 "$AMBER" "Snooze"
expect FormEvent-pocketpc-240x320 30 250 "$RED" "Dismiss"
expect FormEvent-pocketpc-240x320 30 110 "$IVORY" "the subject's card"
night FormEvent-pocketpc-240x320 4 200 "the form"

# 480 x 640: the same layout at scale 2 from the larger pictures, below a 52-pixel band.
show FormEvent 480x640 pocketpc
expect FormEvent-pocketpc-480x640 40 400 "$AMBER" "Snooze"
expect FormEvent-pocketpc-480x640 40 500 "$RED" "Dismiss"
expect FormEvent-pocketpc-480x640 60 220 "$IVORY" "the subject's card"
show FormMain 480x640 pocketpc
expect FormMain-pocketpc-480x640 240 314 "$CORAL" "the cap over the pivot"
expect FormMain-pocketpc-480x640 240 150 "$INK" "the twelve o'clock mark"

# Smartphone, 176 x 220, below a 20-pixel band: the 150-pixel clock at (13, 15); the ringing
# form's buttons are soft keys, so nothing is drawn where a Pocket PC shows them.
show FormMain 176x220 smartphone
expect FormMain-smartphone-176x220 88 48 "$INK" "the twelve o'clock mark"
expect FormMain-smartphone-176x220 88 132 "$IVORY" "the face below the pivot"
show FormEvent 176x220 smartphone
expect FormEvent-smartphone-176x220 20 100 "$IVORY" "the subject's card"
night FormEvent-smartphone-176x220 4 195 "the form below the card"
echo "skins: OK"
