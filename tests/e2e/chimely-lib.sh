# Shared by the Chimely e2e scripts, sourced after e2e-lib.sh with the built device tree and the
# tools' folder as the script's arguments: the tree is copied into the fresh root without any
# user state, the log is switched on, and the program is started, fed and watched from here.
TREE=${1:?usage: SCRIPT DEVICE-TREE TOOLS-DIR}
TOOLS=${2:?usage: SCRIPT DEVICE-TREE TOOLS-DIR}
APP="$ROOT/Program Files/Chimely"
PROGRAM="$APP/Chimely"
WAKE_PROGRAM="$APP/Bellcue.exe"
LOG="$APP/Chimely.txt"
STATE="$ROOT/windows/qevachimely.ini"
export CHIMELY_SCREEN=240x320 CHIMELY_PLATFORM=pocketpc

[ -x "$TREE/Program Files/Chimely/Chimely" ] || fail "the program is not built in $TREE"
cp -a "$TREE/Program Files" "$ROOT/"
[ -d "$TREE/windows" ] && cp -a "$TREE/windows" "$ROOT/"
# A tree that `make run` used holds a user's alarms, settings, registry and registrations.
rm -rf "$APP/alarms.ini" "$APP/alarms.ini.bad" "$APP/settings.ini" "$APP"/Chimely*.txt "$APP"/Bellcue*.txt \
       "$ROOT/windows/registry" "$ROOT/windows/WakeUp" "$STATE"
"$TOOLS/chimely-reg" set 'HKEY_CURRENT_USER\Software\QEVA' Log dword 1 || fail "cannot switch the log on"

# start_chimely TEXT...: the program in the background, as the user or a service starts it; PID.
start_chimely() {
    "$PROGRAM" "$@" >> "$ROOT/program-output.txt" 2>&1 &
    PID=$!
}

# The program's log as UTF-8 (it is UTF-16 with a byte-order mark); empty while there is none.
log_text() {
    [ -f "$LOG" ] || return 0
    iconv -c -f UTF-16LE -t UTF-8 "$LOG" | tr -d '\000' | sed '1s/^\xEF\xBB\xBF//'
}
log_count() { log_text | grep -cF -- "$1" || true; }
log_has() { [ "$(log_count "$1")" -ge "${2:-1}" ]; }
# wait_log SECONDS TEXT [COUNT]: until the log holds TEXT (COUNT times).
wait_log() { wait_until "$1" log_has "$2" "${3:-1}"; }

# A process that ended is a zombie until it is waited for.
running() { [ -e "/proc/$1" ] && [ "$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null)" != Z ]; }
ended() { ! running "$1"; }
# finish PID SECONDS: waits for its end; STATUS is its exit status.
finish() {
    wait_until "$2" ended "$1" || fail "process $1 still runs after $(( $2 * patience )) s"
    STATUS=0
    wait "$1" || STATUS=$?
}
# Every program of this root that is still running (the wake-up service aside).
programs_of_root() {
    local dir exe
    for dir in /proc/[0-9]*; do
        exe=$(readlink "$dir/exe" 2>/dev/null) || continue
        case "$exe" in "$APP/chimely-waker") continue ;; "$APP"/*) ;; *) continue ;; esac
        [ "$(cut -d' ' -f3 "$dir/stat" 2>/dev/null)" = Z ] && continue
        echo "${dir#/proc/}"
    done
    return 0
}
# programs_running COUNT: this many programs of the root run (the wake-up service aside).
programs_running() { [ "$(programs_of_root | wc -l)" -eq "$1" ]; }
# Ends what a failed script left running (only processes of this root), then e2e-lib's cleanup;
# CHIMELY_E2E_KEEP=1 keeps the root to look at.
chimely_cleanup() {
    local pid
    for pid in $(programs_of_root); do kill -KILL "$pid" 2>/dev/null || true; done
    if [ "${CHIMELY_E2E_KEEP:-}" = 1 ]; then
        "$TOOLS/chimely-waker" cancel '\Program Files\Chimely\Bellcue.exe' 2> /dev/null || true
        echo "kept $ROOT" >&2
        return
    fi
    cleanup
}
trap chimely_cleanup EXIT

# hand_over TEXT: a second start; it must end at once with status 0. It starts under the other
# name (HANDER), as the wake-up does: every start opens the log of its own name afresh.
HANDER=$WAKE_PROGRAM
hand_over() {
    local started=$(date +%s%N) status=0
    timeout $(( 5 * patience )) "$HANDER" "$@" >> "$ROOT/program-output.txt" 2>&1 || status=$?
    [ "$status" -eq 0 ] || fail "a second start with '$*' ended with status $status"
    HAND_OVER_MS=$(( ($(date +%s%N) - started) / 1000000 ))
}

# Input lines through a FIFO that stays open: open_input before the start, then send LINE...
INPUT="$ROOT/input.fifo"
open_input() {
    mkfifo "$INPUT"
    exec 7<> "$INPUT"
    export CHIMELY_INPUT=$INPUT
}
send() { printf '%s\n' "$@" >&7; }
# shot NAME: the device screen as $ROOT/NAME.png, once the program has written it whole.
shot() {
    rm -f "$ROOT/$1.png"
    send "shot $ROOT/$1.png" "wait 100"
    wait_until 10 test -s "$ROOT/$1.png" || fail "no screenshot $1"
    sleep 0.2
}

# The sessions of the dump folder DUMP as "RATE CHANNELS FRAMES" lines, in the order played.
sessions() {
    [ -f "$1/log.txt" ] || return 0
    awk '$1 == "open" { format[$2] = $3 " " $4 } $1 == "close" { print format[$2], $3 }' "$1/log.txt"
}
session_count() { sessions "$1" | wc -l; }
# A WAV file's format as its dump sessions show it: "RATE CHANNELS FRAMES".
wav_format() { echo "$(soxi -r "$1") $(soxi -c "$1") $(soxi -s "$1")"; }

# The state file for the Today item as one line: next name, time, action and the passed-over count.
state_line() { tr -d '\r\n\t' < "$STATE" 2>/dev/null; }
registered() { "$TOOLS/chimely-waker" list; }

# fault TEXT: a wrong result the script reports and goes on from; it fails at its end (passed).
FAULTS=0
fault() { echo "FAULT: $*" >&2; FAULTS=$(( FAULTS + 1 )); }
passed() {
    [ "$FAULTS" -eq 0 ] || fail "$FAULTS fault(s), see above"
    echo PASS
}

# Ringing: the sounds are told apart by their format in the dump folder DUMP. The note is made
# at a rate nothing else uses; the attention sound is the shipped chime.
SCRIPT='\Program Files\Chimely\data\English\English.script'
DUMP=$ROOT/dump
mkdir -p "$DUMP"
make_note() { sox -n -r 16000 -c 2 -b 16 "$APP/note.wav" synth 0.4 sine 600 gain -6 || fail "sox cannot make a note"; }
# ring_sessions HH:MM: what a ringing alarm with attention, time and note plays at HH:MM.
ring_sessions() {
    local reference=$ROOT/reference-$RANDOM
    mkdir "$reference"
    CHIMELY_AUDIO_DUMP=$reference "$TOOLS/chimely-audio" speak "$SCRIPT" "$1" || fail "the script does not speak $1"
    wav_format "$APP/sounds/chime.wav"
    sessions "$reference"
    wav_format "$APP/note.wav"
}
# settled COUNT: the dump folder holds COUNT sessions, all finished, and no more follow for a second.
closed_at_least() { [ "$(grep -c '^close' "$DUMP/log.txt" 2> /dev/null)" -ge "$1" ]; }
settled() {
    wait_until 15 closed_at_least "$1" || return 1
    sleep 1
    [ "$(grep -c '^open' "$DUMP/log.txt")" -eq "$1" ]
}
rings() { log_count "FormEvent::form_activate  alarm = "; }
# control_centre FORM CONTROL: "X Y" on the screen, the middle of CONTROL in the installed skin's
# Pocket PC variant of FORM at 240x320, which fills the work area under the 26-pixel top band.
control_centre() {
    CHIMELY_ROOT=/ "$TOOLS/skindump" "$APP/skin/Default.skin" | python3 -c '
import sys, xml.etree.ElementTree as ET
form_name, control_name = sys.argv[1:3]
def point(node, name):
    p = node.find("point[@name=\"%s\"]" % name)
    return (int(p.get("x")), int(p.get("y"))) if p is not None else None
for form in ET.parse(sys.stdin).getroot().iter("form"):
    devices = form.find("string[@name=\"Devices\"]")
    if form.get("name").startswith(form_name) and devices is not None and "P" in devices.get("value") \
            and point(form, "Size") == (240, 268):
        control = form.find("control[@name=\"%s\"]" % control_name)
        if control is not None and point(control, "Position") and point(control, "Size"):
            (x, y), (w, h) = point(control, "Position"), point(control, "Size")
            print(x + w // 2, 26 + y + h // 2)
        break
' "$1" "$2"
}
tap_control() {
    local at
    at=$(control_centre "$1" "$2" || true)
    [ -n "$at" ] || fail "no $2 in the skin's $1 at 240x320"
    send "tap $at"
}
snooze_alarm() { tap_control FormEvent btnRepeat; }
dismiss_alarm() { tap_control FormEvent btnClose; }
