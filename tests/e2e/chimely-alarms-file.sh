#!/bin/bash
# alarms.ini through the whole program: a file written by hand (every rule, exception dates, texts
# beyond ASCII and XML's special characters, an unknown rule, unknown elements) is loaded at start
# and written back at "close" as the alarm list holds it; a second round leaves it byte for byte.
# A file that is not one alarm list (not XML, another root, two lists joined) is kept aside as
# alarms.ini.bad and the list starts empty.
# Usage: chimely-alarms-file.sh DEVICE-TREE TOOLS-DIR
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/chimely-lib.sh"
export CHIMELY_NOW="2026-03-07 10:00:00"
EMPTY_LIST='<?xml version="1.0" encoding="UTF-8"?>
<Alarms />'

# round_trip: one start and "close"; the program must end with status 0.
round_trip() {
    start_chimely
    wait_until 5 test -f "$STATE" || fail "the program did not start (no state file)"
    hand_over close
    finish "$PID" 5
    [ "$STATUS" -eq 0 ] || fail "the program ended with status $STATUS"
    rm -f "$STATE"
}

# Written as a user would: other layout, attribute order and quotes, character references,
# a dayofweek beyond Sunday (clamped), an hour and minute beyond the clock (clamped).
cat > "$APP/alarms.ini" <<'XML'
<?xml version="1.0"?>
<!-- my alarms -->
<Alarms version="2">
<Alarm><AlarmType type="everyday"/><Properties subject="Wake up" time=" 7 5" note=""/>
<Events pause="false" attention="true" time="true"/>
<Exeptions><Exeption type="once" additional="2026 3 8"/><Holiday additional='2026 12 24'/></Exeptions></Alarm>
<Other name="not an alarm"><Alarm><Properties time="1 1"/><AlarmType type="everyday"/></Alarm></Other>
<Alarm>
  <AlarmType type="dayofweek" additional="9"/>
  <Properties time="25 70" subject="Zahnärztin &#x263A; — Tom &amp; Jerry &lt;3 &quot;ok&quot; 😀" note="%app_path%/note.wav"/>
  <Events attention="TRUE" time="0" pause="1"/>
  <Colour value="red"/>
</Alarm>
<Alarm><AlarmType type="dayofmonth" additional="31"/><Properties time="12 0" subject="Rent" note=""/></Alarm>
<Alarm><AlarmType type="once" additional="2026 3 9"/><Properties time="9 30" subject="Once" note="\My Documents\x.wav"/>
<Events attention="false" time="true" pause="false"/></Alarm>
<Alarm><AlarmType type="weekly" additional="3" every="2"/><Properties time="6 45" subject="Unknown rule" note=""/></Alarm>
</Alarms>
XML
original=$(cat "$APP/alarms.ini")
expected='<?xml version="1.0" encoding="UTF-8"?>
<Alarms>
	<Alarm>
		<AlarmType type="everyday" />
		<Properties time="7 5" subject="Wake up" note="" />
		<Events attention="true" time="true" pause="false" />
		<Exeptions>
			<Exeption type="once" additional="2026 3 8" />
			<Exeption type="once" additional="2026 12 24" />
		</Exeptions>
	</Alarm>
	<Alarm>
		<AlarmType type="dayofweek" additional="6" />
		<Properties time="23 59" subject="Zahnärztin ☺ — Tom &amp; Jerry &lt;3 &quot;ok&quot; 😀" note="%app_path%/note.wav" />
		<Events attention="true" time="false" pause="true" />
		<Exeptions />
	</Alarm>
	<Alarm>
		<AlarmType type="dayofmonth" additional="31" />
		<Properties time="12 0" subject="Rent" note="" />
		<Events attention="false" time="false" pause="false" />
		<Exeptions />
	</Alarm>
	<Alarm>
		<AlarmType type="once" additional="2026 3 9" />
		<Properties time="9 30" subject="Once" note="\My Documents\x.wav" />
		<Events attention="false" time="true" pause="false" />
		<Exeptions />
	</Alarm>
	<Alarm>
		<AlarmType type="weekly" additional="3" every="2" />
		<Properties time="6 45" subject="Unknown rule" note="" />
		<Events attention="false" time="false" pause="false" />
		<Exeptions />
	</Alarm>
</Alarms>'
# Loaded as written (Saturday 10:00): the next is Sunday's 23:59 (the everyday alarm skips
# Sunday, the unknown rule never rings); its texts reach the state file and the wake-up.
start_chimely
wait_until 5 test -f "$STATE" || fail "the program did not start (no state file)"
[ "$(state_line)" = '<?xml version="1.0" encoding="UTF-8"?><Next name="Zahnärztin ☺ — Tom &amp; Jerry &lt;3 &quot;ok&quot; 😀" time="23 : 59" action="5" /><Unviewed quantity="0" />' ] ||
    fault "state file of the loaded list: $(state_line)"
[[ $(registered) == "2026-03-08 23:59:00 "*Bellcue.exe ]] || fault "registered: $(registered)"
hand_over close
finish "$PID" 5
[ "$STATUS" -eq 0 ] || fail "the program ended with status $STATUS"
rm -f "$STATE"
got=$(cat "$APP/alarms.ini")
[ "$got" = "$expected" ] || fault "alarms.ini after a round trip differs:
$(diff <(echo "$expected") <(echo "$got"))"
[ -e "$APP/alarms.ini.bad" ] && fault "a valid alarms.ini was kept aside"
round_trip
[ "$(cat "$APP/alarms.ini")" = "$got" ] || fault "a second round trip changed alarms.ini"

# Not XML: kept aside byte for byte, the list starts empty and is written empty at the end.
printf 'not <xml at all\r\n\000\377' > "$APP/alarms.ini"
cp "$APP/alarms.ini" "$ROOT/corrupt"
start_chimely
wait_until 5 test -f "$STATE" || fail "the program did not start on a corrupt alarms.ini"
cmp -s "$ROOT/corrupt" "$APP/alarms.ini.bad" || fault "alarms.ini.bad is not the corrupt file"
[ "$(state_line)" = '<?xml version="1.0" encoding="UTF-8"?><Next /><Unviewed quantity="0" />' ] ||
    fault "a corrupt file gave a list: $(state_line)"
hand_over close
finish "$PID" 5
[ "$STATUS" -eq 0 ] || fault "status $STATUS after a corrupt alarms.ini"
[ "$(cat "$APP/alarms.ini")" = "$EMPTY_LIST" ] || fault "alarms.ini after the corrupt one: $(cat "$APP/alarms.ini")"
rm -f "$STATE"

# XML of another root is not an alarm list either; the earlier kept file must not be lost.
printf '<?xml version="1.0"?>\n<Settings><Alarm/></Settings>\n' > "$APP/alarms.ini"
cp "$APP/alarms.ini" "$ROOT/other-root"
round_trip
kept=$(cat "$APP"/alarms.ini.bad* 2>/dev/null)
[[ $kept == *"<Settings><Alarm/></Settings>"* ]] || fault "an XML file of another root was not kept aside"
[[ $kept == *"not <xml at all"* ]] || fault "a second file kept aside replaced the first (alarms.ini.bad)"
[ "$(cat "$APP/alarms.ini")" = "$EMPTY_LIST" ] || fault "alarms.ini after another root: $(cat "$APP/alarms.ini")"

# Two lists joined into one file: neither is taken, the file is kept aside whole.
rm -f "$APP"/alarms.ini.bad*
printf '%s\n%s\n' "$got" "$got" > "$APP/alarms.ini"
cp "$APP/alarms.ini" "$ROOT/joined"
round_trip
cmp -s "$ROOT/joined" "$APP/alarms.ini.bad" || fault "two joined lists were not kept aside whole"
[ "$(cat "$APP/alarms.ini")" = "$EMPTY_LIST" ] || fault "alarms.ini after two joined lists: $(cat "$APP/alarms.ini")"
passed
