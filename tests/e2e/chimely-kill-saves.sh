#!/bin/bash
# kill -9 while the program saves: each run gets a burst of menu changes (volume and the spoken
# time, each rewriting settings.ini) and new alarms through the editor (each rewriting a list of
# some hundred alarms in alarms.ini), and is killed at a random moment of it. After every kill
# both files parse and hold the old or a new content: settings.ini one of the choices, alarms.ini
# the list before the run with some of the run's new alarms after it, in order. A save of a later
# run removes the temporary files a killed run left, and a last run ended by "close" leaves none.
# KILLS (default 100) kill -9 in all.
# Usage: chimely-kill-saves.sh DEVICE-TREE TOOLS-DIR
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/chimely-lib.sh"
source "$(dirname "$0")/chimely-editor-lib.sh"
export CHIMELY_NOW="2026-03-11 10:00:30"
KILLS=${KILLS:-100}
# Log off: its lines would only slow the saves down.
"$TOOLS/chimely-reg" set 'HKEY_CURRENT_USER\Software\QEVA' Log dword 0 || fail "cannot switch the log off"

# Long enough a list that a save takes a while; all of it rings at night, never during the run.
{
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo '<Alarms>'
    for i in $(seq 400); do
        echo "<Alarm><AlarmType type=\"everyday\"/><Properties time=\"3 $((i % 60))\" subject=\"base $i\" note=\"\"/><Events attention=\"true\" time=\"true\" pause=\"false\"/><Exeptions/></Alarm>"
    done
    echo '</Alarms>'
} > "$APP/alarms.ini"

# check BEFORE SENT...: judges both files after a kill and prints the alarms' subjects; BEFORE is
# what it printed before the run (commas between subjects), SENT the subjects the run was sent.
check() {
    python3 - "$APP" "$@" <<'PY'
import os, sys, xml.etree.ElementTree as ET
app, sent = sys.argv[1], sys.argv[3:]
# "-": the first list, taken as it is.
before = None if sys.argv[2] == "-" else sys.argv[2].split(",")
def load(name):
    try:
        return ET.parse(app + "/" + name).getroot()
    except Exception as error:
        sys.exit("%s does not parse: %s" % (name, error))
alarms = load("alarms.ini")
if alarms.tag != "Alarms":
    sys.exit("alarms.ini has the root " + alarms.tag)
subjects = [a.find("Properties").get("subject") for a in alarms.findall("Alarm")]
if before is not None and subjects[:len(before)] != before:
    sys.exit("alarms.ini lost alarms it held before the run")
added = iter(sent)
if before is not None and not all(s in added for s in subjects[len(before):]):
    sys.exit("alarms.ini holds alarms that were not made, or out of order: %s" % subjects[len(before):])
settings = load("settings.ini") if os.path.exists(app + "/settings.ini") else None
if settings is not None:
    preference = settings.find("Preference")
    if settings.tag != "Settings" or preference is None or preference.get("volume") not in ("VolumeLow", "VolumeMedium", "VolumeHi") \
            or preference.get("pronounce") not in ("true", "false"):
        sys.exit("settings.ini holds no choice of the run: " + ET.tostring(settings, "unicode"))
print(",".join(subjects))
PY
}
# temporaries FILE PID: the temporary files of FILE that a process other than PID left.
temporaries() { ls "$APP" | grep -F "$1.tmp-" | grep -vF "$1.tmp-$2-" || true; }

before=$(check -) || fail "the first alarms.ini does not check"
made=0 torn=0
for ((kill = 1; kill <= KILLS; kill++)); do
    rm -f "$INPUT" "$STATE"
    exec 7>&- 2>/dev/null || true
    open_input
    old_alarms=$(cat "$APP/alarms.ini") old_settings=$(cat "$APP/settings.ini" 2>/dev/null || true)
    start_chimely
    sent=()
    for round in 1 2 3; do
        made=$((made + 1))
        sent+=("k$made")
        send "soft 2" "choose 5" "soft 2" "choose 3" "choose $((RANDOM % 3 + 1))" \
             "soft 2" "choose 1" "wait 120" "tap $SUBJECT_X $SUBJECT_Y" "char k$made" "tap $OK_X $OK_Y" "wait 60"
    done
    # Killed at a random moment of the burst, which starts once the program is up.
    polls=0
    while [ ! -f "$STATE" ] && [ "$polls" -lt 500 ]; do
        sleep 0.01
        polls=$((polls + 1))
    done
    sleep "0.$(printf '%03d' $((RANDOM % 300)))"
    kill -KILL "$PID" 2>/dev/null || true
    wait "$PID" 2>/dev/null || true
    before=$(check "$before" "${sent[@]}") || fail "after kill $kill"
    # What this run saved removed what the runs before it left.
    [ "$(cat "$APP/alarms.ini")" != "$old_alarms" ] && [ -n "$(temporaries alarms.ini "$PID")" ] &&
        fault "kill $kill: alarms.ini was saved, yet older temporary files stay: $(temporaries alarms.ini "$PID")"
    [ "$(cat "$APP/settings.ini" 2>/dev/null)" != "$old_settings" ] && [ -n "$(temporaries settings.ini "$PID")" ] &&
        fault "kill $kill: settings.ini was saved, yet older temporary files stay: $(temporaries settings.ini "$PID")"
    ls "$APP" | grep -q '\.tmp-' && torn=$((torn + 1))
done

# A last run saves both files and ends by "close": nothing temporary is left anywhere.
rm -f "$INPUT" "$STATE"
exec 7>&- 2>/dev/null || true
open_input
start_chimely
wait_until 10 test -f "$STATE" || fail "the last run did not start"
send "soft 2" "choose 5" "wait 200"
hand_over close
finish "$PID" 10
[ "$STATUS" -eq 0 ] || fault "the last run ended with status $STATUS"
check "$before" > /dev/null || fail "after the last run"
left=$(find "$ROOT" -name '*.tmp-*')
[ -z "$left" ] || fault "temporary files left after the last saves: $left"
echo "$KILLS kills, $torn of them during a save (a temporary file on disk), $(echo "$before" | tr ',' '\n' | grep -c '^k') of $made new alarms saved"
passed
