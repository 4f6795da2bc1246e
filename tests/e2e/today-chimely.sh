#!/bin/bash
# today-chimely DEVICE PNGDUMP REG: the home screen beside the real program.
# Chimely writes the shared state file and its language; the item shows the
# next alarm, and the text for none in the language chosen in Chimely. The
# action key starts Chimely when none runs; a tap on the item hands the
# running one an empty command line, which brings its main form forward.
# Skips (77) while the device tree has no Chimely.
source "$(dirname "$0")/today-lib.sh"
DEVICE=$1 PNGDUMP=$2 REG=$3
install_tree "$DEVICE"
[ -x "$APP/Chimely" ] || { echo "today-chimely: no Chimely in $DEVICE yet"; exit 77; }
export CHIMELY_NOW="2026-03-07 07:00:00" CHIMELY_SCREEN=240x320 CHIMELY_PLATFORM=pocketpc
"$REG" set 'HKEY_CURRENT_USER\Software\QEVA' Log dword 1 || fail "Log"

# Chimely processes of this root.
chimelys_of_root() {
    local dir comm
    for dir in /proc/[0-9]*; do
        { read -r comm < "$dir/comm"; } 2>/dev/null || continue
        [ "$comm" = Chimely ] || continue
        { tr '\0' '\n' < "$dir/environ"; } 2>/dev/null | grep -qxF "CHIMELY_ROOT=$ROOT" && echo "${dir#/proc/}"
    done
    return 0
}
one_chimely() { [ "$(chimelys_of_root | wc -l)" = 1 ]; }
no_chimely() { [ -z "$(chimelys_of_root)" ]; }
state_has() { grep -qF "$1" "$ROOT/windows/qevachimely.ini" 2>/dev/null; }
stop_chimely() {
    "$APP/Chimely" close
    wait_until 10 no_chimely || { for pid in $(chimelys_of_root); do kill "$pid"; done; fail "Chimely did not end"; }
}
trap 'for pid in $(chimelys_of_root); do kill "$pid" 2>/dev/null; done; cleanup' EXIT

cat > "$APP/alarms.ini" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Alarms>
  <Alarm>
    <AlarmType type="everyday"/>
    <Properties time="8 5" subject="Dentist" note=""/>
    <Events attention="true" time="true" pause="false"/>
  </Alarm>
</Alarms>
XML

# Chimely runs first: its state file names the Dentist, and its "Hide" soft
# key hides it. A tap on the item reaches the running program, which takes
# the empty command line and shows its main form again.
printf 'wait 1000\nshot %s\nsoft 1\nwait 500\nshot %s\n' "$ROOT/shown.png" "$ROOT/hidden.png" > "$ROOT/chimely-script"
CHIMELY_INPUT="$ROOT/chimely-script" CHIMELY_SCREENSHOT="$ROOT/chimely.png" "$APP/Chimely" > "$ROOT/chimely.out" 2>&1 &
wait_until 20 state_has 'name="Dentist"' || fail "Chimely wrote no state: $(cat "$ROOT/chimely.out")"
wait_until 10 one_chimely || fail "Chimely is not running: $(cat "$ROOT/chimely.out")"
wait_until 10 test -s "$ROOT/hidden.png" || fail "Chimely did not hide"
hidden=$(count_differing "$ROOT/shown.png" "$ROOT/hidden.png")
[ "$hidden" -gt 5000 ] || fail "Chimely's main form did not go ($hidden pixels changed)"
cat > "$ROOT/script" <<EOF2
wait 300
shot $ROOT/dentist.png
tap 120 44
wait 1500
EOF2
CHIMELY_INPUT="$ROOT/script" timeout 30 "$HOST" || fail "today-host ended with $?"
[ "$(status_lines)" = "08 : 05  Dentist" ] || fail "status lines: $(status_lines)"
# The item's start ends once the running Chimely has taken its empty command line, which brings
# the main form back as it was shown, but for the moving hands. (Both processes write Chimely's log,
# so the log is no witness of the hand-over.)
wait_until 10 one_chimely || fail "the item's start did not end after the hand-over"
back=
main_form_in_front() {
    rm -f "$ROOT/chimely.png"
    kill -USR1 "$(chimelys_of_root)"
    wait_until 5 test -s "$ROOT/chimely.png" || return 1
    back=$(count_differing "$ROOT/shown.png" "$ROOT/chimely.png")
    [ "$back" -lt $((hidden / 10)) ]
}
wait_until 10 main_form_in_front ||
    fail "Chimely's main form is not in front (${back:-no screenshot, or none} of $hidden pixels differ)"
[ "$(count_colour "$ROOT/dentist.png" "255 255 255" 38 26 236 62)" -gt 40 ] || fail "no white status text"
[ "$(pixel "$ROOT/dentist.png" 120 200)" = "$(host_background 200 320)" ] || fail "host background"
stop_chimely

# German chosen in Chimely and no alarm left: with none running, the action
# key starts Chimely, which writes both; the item's next refresh shows them.
printf '<?xml version="1.0" encoding="UTF-8"?>\n<Alarms/>\n' > "$APP/alarms.ini"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<Settings><Appearance language="%%app_path%%/German.lng"/></Settings>\n' \
    > "$APP/settings.ini"
rm -f "$APP/today-host.txt"
cat > "$ROOT/script" <<EOF2
wait 300
key 13
wait 5000
shot $ROOT/german.png
EOF2
CHIMELY_INPUT="$ROOT/script" timeout 30 "$HOST" || fail "today-host ended with $?"
wait_until 10 one_chimely || fail "the action key started no Chimely"
[ "$(status_lines | tail -1)" = "Kein Wecker gestellt" ] || fail "status lines: $(status_lines)"
[ "$(count_colour "$ROOT/german.png" "255 255 255" 38 26 236 62)" -gt 40 ] || fail "no white status text"
stop_chimely
[ -z "${TODAY_SHOTS:-}" ] || cp "$ROOT"/*.png "$TODAY_SHOTS/"
echo "today-chimely: OK"
