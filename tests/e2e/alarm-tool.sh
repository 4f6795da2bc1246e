#!/bin/bash
# chimely-alarm: next times of an alarms file, and a queue driven from the shell.
ALARM=$1
source "$(dirname "$0")/e2e-lib.sh"

mkdir -p "$ROOT/Program Files/Chimely"
cat > "$ROOT/Program Files/Chimely/alarms.ini" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Alarms>
  <Alarm>
    <AlarmType type="everyday"/>
    <Properties time="8 5" subject="Wake up" note=""/>
    <Events attention="true" time="true" pause="false"/>
    <Exeptions>
      <Exeption type="once" additional="2026 3 8"/>
    </Exeptions>
  </Alarm>
  <Other/>
  <Alarm>
    <AlarmType type="dayofmonth" additional="31"/>
    <Properties time="25 70" subject="Rent" note=""/>
  </Alarm>
  <Alarm>
    <AlarmType type="weekly"/>
    <Properties time="7 0" subject="No rule" note=""/>
  </Alarm>
  <Alarm>
    <AlarmType type="once" additional="2026 3 7"/>
    <Properties time="9 0" subject="Once" note=""/>
    <Events attention="false" time="false" pause="true"/>
  </Alarm>
</Alarms>
XML
FILE='\program files\chimely\ALARMS.INI'

expected='0 2026 03 07 08 05 00
1 2026 03 31 23 59 00
2 none
3 2026 03 07 09 00 00'
got=$(CHIMELY_NOW="2026-03-07 07:00:00" "$ALARM" next "$FILE")
[ "$got" = "$expected" ] || fail "next: got
$got"
expected='0 2026 03 09 08 05 00
1 2026 03 31 23 59 00
2 none
3 none'
got=$(CHIMELY_NOW="2026-03-07 09:00:00" "$ALARM" next "$FILE")
[ "$got" = "$expected" ] || fail "next after the once alarm: got
$got"
# A later day before the once alarm's time of day: its date has passed all the same.
expected='0 2026 03 09 08 05 00
1 2026 03 31 23 59 00
2 none
3 none'
got=$(CHIMELY_NOW="2026-03-08 07:00:00" "$ALARM" next "$FILE")
[ "$got" = "$expected" ] || fail "next on a later day: got
$got"

export CHIMELY_NOW="2026-03-07 07:00:00"
got=$("$ALARM" sim "$FILE" <<'CMDS' | sed -E 's/^([0-9]{4}( [0-9]{2}){5}) .*Bellcue\.exe$/\1 PROGRAM/'
state
registered
reset
state
registered
now 2026-03-07 08:06:00
missed
state
snooze 10
state
registered
now 2026-03-07 09:00:00
missed
dismiss
registered
missed
dismiss
state
now 2026-03-07 09:00:30
fill-from 2026-03-07 08:58:30
missed
bogus
CMDS
) && fail "an unknown command must end with a failure status"
expected='error: no state file
none
ok
next name="Wake up" time="08 : 05" action="6" unviewed=0
2026 03 07 08 05 00 PROGRAM
ok
0
next name="Once" time="09 : 00" action="1" unviewed=1
ok
next name="Wake up" time="08 : 16" action="6" unviewed=0
2026 03 07 08 16 00 PROGRAM
ok
3
ok
2026 03 09 08 05 00 PROGRAM
0
ok
next name="Wake up" time="08 : 05" action="6" unviewed=0
ok
ok
3
error: unknown command'
[ "$got" = "$expected" ] || fail "sim: got
$got"
echo PASS
