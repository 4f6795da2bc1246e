#!/bin/bash
# Typing on a real keyboard: on a virtual X display with the SDL screen, xdotool types into the
# new alarm's subject on a US, a German and a French layout, with its default and a 5 ms delay,
# five times each, and alarms.ini holds every text exactly as typed. Each text is typed in two
# pieces, the second first, then Home, the first, End, two extra letters and two Backspaces. On
# the French layout "ê" is typed as a dead circumflex and "e". The program, started under its
# other name, shows a window of the class "Chimely".
# Usage: chimely-keyboard.sh DEVICE-TREE TOOLS-DIR
if [ -z "${CHIMELY_E2E_DISPLAY:-}" ]; then
    for tool in xvfb-run xdotool setxkbmap xprop; do
        command -v "$tool" > /dev/null || { echo "$tool is missing: skipped"; exit 77; }
    done
    xvfb-run -a true 2> /dev/null || { echo "no X server starts here: skipped"; exit 77; }
    exec env CHIMELY_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 640x480x24" bash "$0" "$@"
fi
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/chimely-lib.sh"
source "$(dirname "$0")/chimely-editor-lib.sh"
# A desktop's UTF-8 locale: the window system's input method composes dead keys in it.
export CHIMELY_VIDEO=sdl CHIMELY_ZOOM=1 CHIMELY_NOW="2026-03-11 10:00:00" LC_ALL=C.UTF-8
# The program's sockets and locks in a folder of this root alone: the run is long, and other
# runs on the machine tidy the shared one.
export XDG_RUNTIME_DIR=$ROOT/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

open_input
"$WAKE_PROGRAM" >> "$ROOT/program-output.txt" 2>&1 &
PID=$!
LOG="$APP/Bellcue.exe.txt" HANDER=$PROGRAM
window_id() { xdotool search --onlyvisible --class '^Chimely$' 2> /dev/null | head -1; }
has_window() { [ -n "$(window_id)" ]; }
wait_until 10 has_window || fail "no window of the class Chimely: $(xdotool search --name '^Chimely$' 2>&1 | head -1)"
WINDOW=$(window_id)
class=$(xprop -id "$WINDOW" WM_CLASS)
[ "$class" = 'WM_CLASS(STRING) = "Chimely", "Chimely"' ] || fault "the window's class: $class"
xdotool windowfocus --sync "$WINDOW" || fail "the window takes no keyboard focus"
shot started

# The subjects of alarms.ini in their order, one a line.
subjects() {
    python3 -c '
import sys, xml.etree.ElementTree as ET
for p in ET.parse(sys.argv[1]).getroot().iter("Properties"):
    print(p.get("subject"))
' "$APP/alarms.ini" 2> /dev/null
}
alarm_count() { subjects | wc -l; }
alarms_are() { [ "$(alarm_count)" -eq "$1" ]; }

# type_subject DELAY FIRST SECOND [KEY...]: a new alarm whose subject is typed as described above
# (the keys, dead ones among them, after the whole text), then Ok; waits until it is saved. The
# screenshots wait for the input lines before them.
ALARMS=0
type_subject() {
    local delay=$1 first=$2 second=$3
    shift 3
    local -a pace=()
    [ "$delay" = default ] || pace=(--delay "$delay")
    send "soft 2" "choose 1" "wait 400" "tap $SUBJECT_X $SUBJECT_Y" "wait 200"
    shot editor
    xdotool type "${pace[@]}" -- "$second"
    xdotool key "${pace[@]}" Home
    xdotool type "${pace[@]}" -- "$first"
    xdotool key "${pace[@]}" End
    xdotool type "${pace[@]}" -- "qz"
    xdotool key "${pace[@]}" BackSpace BackSpace "$@"
    sleep 0.3
    shot typed
    send "tap $OK_X $OK_Y"
    ALARMS=$(( ALARMS + 1 ))
    wait_until 5 alarms_are "$ALARMS" || fail "alarm $ALARMS was not saved: $(subjects | tail -2)"
}

# layout NAME TEXT FIRST SECOND [DEAD-KEY...]: TEXT typed five times at each pace as above.
EXPECTED=()
layout() {
    local name=$1 text=$2 delay run
    shift 2
    setxkbmap "$name" || fail "setxkbmap $name"
    for delay in default 5; do
        for run in 1 2 3 4 5; do
            type_subject "$delay" "$@"
            EXPECTED+=("$text")
        done
    done
    cp "$ROOT/typed.png" "$ROOT/typed-$name.png"
}

layout us "Tea Time AB! 12:30? (x) [a] {b} <c> \"d\" 'e' ~\`|\\" "Tea Time " "AB! 12:30? (x) [a] {b} <c> \"d\" 'e' ~\`|\\"
layout de "Grüße Zürich: Öl & Bär! @ € 100%" "Grüße Zürich: " "Öl & Bär! @ € 100%"
layout fr "àéèç ù ê" "àéèç" " ù " dead_circumflex e
keep_shots keyboard

mapfile -t got < <(subjects)
[ "${#got[@]}" -eq "${#EXPECTED[@]}" ] || fault "${#got[@]} alarms for ${#EXPECTED[@]} typed"
for i in "${!EXPECTED[@]}"; do
    [ "${got[$i]:-}" = "${EXPECTED[$i]}" ] || fault "typed '${EXPECTED[$i]}', saved '${got[$i]:-}'"
done
hand_over close
finish "$PID" 10
[ "$STATUS" -eq 0 ] || fault "status $STATUS after 'close'"
passed
