#!/bin/bash
# today-host DEVICE PNGDUMP ALARM REG: the installed tree's home screen with the
# Chimely item over a state file written by the alarm engine. The item shows
# the next alarm or that none is set (its status lines in the log), drawn over
# the home screen's background in its text colour at each screen size and
# profile; the action key and a tap on the item start the main program.
source "$(dirname "$0")/today-lib.sh"
DEVICE=$1 PNGDUMP=$2 ALARM=$3 REG=$4
install_tree "$DEVICE"
export CHIMELY_NOW="2026-03-07 07:00:00"
"$REG" set 'HKEY_CURRENT_USER\Software\QEVA' Log dword 1 || fail "Log"
[ "$("$REG" get 'HKEY_LOCAL_MACHINE\Software\QEVA\Chimely' MainProgram)" = '\Program Files\Chimely\Chimely' ] ||
    fail "the tree's MainProgram"
# A stand-in main program beside the language files that notes each start.
cat > "$APP/stand-in" <<'SH'
#!/bin/sh
echo "start [$*] $CHIMELY_ROOT $CHIMELY_NOW" >> "$CHIMELY_ROOT/started.txt"
SH
chmod +x "$APP/stand-in"
"$REG" set 'HKEY_LOCAL_MACHINE\Software\QEVA\Chimely' MainProgram sz '\Program Files\Chimely\stand-in' || fail "MainProgram"

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
printf 'now 2026-03-07 07:00:00\nreset\nstate\n' | "$ALARM" sim '\Program Files\Chimely\alarms.ini' | tail -1 |
    grep -qF 'next name="Dentist" time="08 : 05"' || fail "the engine wrote no state"

# 240 x 320 Pocket PC: the item under the task bar (26 pixels), 36 high.
cat > "$ROOT/script" <<EOF2
wait 200
shot $ROOT/next-240.png
key 13
wait 300
tap 120 44
wait 300
EOF2
CHIMELY_SCREEN=240x320 CHIMELY_PLATFORM=pocketpc CHIMELY_INPUT="$ROOT/script" timeout 30 "$HOST" ||
    fail "today-host ended with $?"
[ "$(status_lines)" = "08 : 05  Dentist" ] || fail "status lines: $(status_lines)"
two_starts() { [ "$(cat "$ROOT/started.txt" 2>/dev/null | wc -l)" -ge 2 ]; }
wait_until 5 two_starts || fail "starts: $(cat "$ROOT/started.txt" 2>&1)"
# The program itself, with the root and the running fake clock handed on.
[ "$(grep -cx "start \[\] $ROOT 2026-03-07 07:0[0-9]:[0-9][0-9]" "$ROOT/started.txt")" = 2 ] ||
    fail "start records: $(cat "$ROOT/started.txt")"
shot="$ROOT/next-240.png"
[ "$(pixel "$shot" 238 30)" = "$(host_background 30 320 1)" ] || fail "highlighted background under the item: $(pixel "$shot" 238 30)"
[ "$(pixel "$shot" 120 200)" = "$(host_background 200 320)" ] || fail "background below the item: $(pixel "$shot" 120 200)"
[ "$(count_colour "$shot" "255 255 255" 38 26 236 62)" -gt 40 ] || fail "no white status text"
[ "$(count_colour "$shot" "255 255 255" 0 62 240 294)" = 0 ] || fail "text outside the item"

# No alarm left: the English text, at the smartphone's 176 x 220 and at 480 x 640.
printf '<?xml version="1.0" encoding="UTF-8"?>\n<Alarms/>\n' > "$APP/alarms.ini"
printf 'reset\nstate\n' | "$ALARM" sim '\Program Files\Chimely\alarms.ini' > /dev/null
for screen in 176x220:smartphone:20:30 480x640:pocketpc:52:72; do
    IFS=: read -r size profile band height <<< "$screen"
    printf 'wait 200\nshot %s\n' "$ROOT/none-$size.png" > "$ROOT/script"
    rm -f "$APP/today-host.txt"
    CHIMELY_SCREEN=$size CHIMELY_PLATFORM=$profile CHIMELY_INPUT="$ROOT/script" timeout 30 "$HOST" ||
        fail "today-host $size ended with $?"
    [ "$(status_lines)" = "No alarms set" ] || fail "$size status lines: $(status_lines)"
    shot="$ROOT/none-$size.png"
    width=${size%x*}
    [ "$(pixel "$shot" $((width - 2)) $((band + 2)))" = "$(host_background $((band + 2)) ${size#*x} 1)" ] ||
        fail "$size: background under the item: $(pixel "$shot" $((width - 2)) $((band + 2)))"
    [ "$(count_colour "$shot" "255 255 255" 0 "$band" "$width" $((band + height)))" -gt 20 ] || fail "$size: no status text"
    [ "$(count_colour "$shot" "255 255 255" 0 $((band + height)) "$width" $((band + height + 40)))" = 0 ] ||
        fail "$size: the item is higher than $height"
done
# Two items (the second from a copy of the library): down moves the
# highlight to the second, a tap on the first brings it back.
cp "$APP/QevaChimelyToday.so" "$APP/Second.so"
printf 'wait 200\nkey 40\nwait 200\nshot %s\ntap 120 40\nwait 200\nshot %s\n' "$ROOT/two-down.png" "$ROOT/two-tap.png" \
    > "$ROOT/script"
CHIMELY_SCREEN=240x320 CHIMELY_PLATFORM=pocketpc CHIMELY_INPUT="$ROOT/script" timeout 30 "$HOST" \
    '\Program Files\Chimely\QevaChimelyToday.so' '\Program Files\Chimely\Second.so' || fail "today-host ended with $?"
for row in 30:0:1 66:1:0; do
    IFS=: read -r y down tap <<< "$row"
    [ "$(pixel "$ROOT/two-down.png" 238 "$y")" = "$(host_background "$y" 320 "$down")" ] || fail "after down, row $y"
    [ "$(pixel "$ROOT/two-tap.png" 238 "$y")" = "$(host_background "$y" 320 "$tap")" ] || fail "after the tap, row $y"
done
[ "$(count_colour "$ROOT/two-down.png" "255 255 255" 38 62 236 98)" -gt 40 ] || fail "no text in the second item"
[ -z "${TODAY_SHOTS:-}" ] || cp "$ROOT"/*.png "$TODAY_SHOTS/"
echo "today-host: OK"
