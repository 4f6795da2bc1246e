#!/bin/bash
# The schedule through the main menu, in each screen size and profile: the day, week and month
# views of a weekly alarm and a once alarm; the month marks the days with alarms, the selected day
# with alarms and today in their cells (judged by pixels). On a Pocket PC at 240 x 320 one day of
# the weekly alarm is deleted, then the whole series, through the question (alarms.ini gains the
# skipped day, then loses the alarm), and the first day of the week is switched from the week's
# and the month's menu (settings.ini and the layout follow).
# Usage: chimely-schedule.sh DEVICE-TREE TOOLS-DIR
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/chimely-lib.sh"
export CHIMELY_NOW="2026-03-11 10:00:00"  # a Wednesday
ALARMS='<Alarms>
<Alarm><AlarmType type="dayofweek" additional="2"/><Properties time="7 30" subject="Gym" note=""/><Events attention="true" time="true" pause="false"/><Exeptions/></Alarm>
<Alarm><AlarmType type="once" additional="2026 3 20"/><Properties time="12 0" subject="Lunch" note=""/><Events attention="false" time="true" pause="false"/><Exeptions/></Alarm>
</Alarms>'

# The colours of the skin's cells and rows (R G B).
IVORY="247 243 232" AMBER="242 177 52" CORAL="228 87 46" NIGHT="20 33 61" NAVY="36 64 106"

# pixel SHOT X Y: the screenshot's colour at a device point.
pixel() {
    local width
    width=$("$TOOLS/pngdump" "\\$1.png" "\\$1.rgba" | sed -n 's/.* w=\([0-9]*\) h=[0-9]*$/\1/p')
    od -An -tu1 -j $(( ($3 * width + $2) * 4 )) -N3 "$ROOT/$1.rgba" | tr -s ' ' | sed 's/^ //'
}
# expect SHOT X Y COLOUR WHAT
expect() {
    local got
    got=$(pixel "$1" "$2" "$3")
    [ "$got" = "$4" ] || fault "$1: $5 at ($2, $3) is $got, not $4"
}

# start_profile SCREEN PLATFORM: the program on a fresh alarm list, the schedule opened from the
# main menu; end_profile leaves it by Back and ends the program.
start_profile() {
    export CHIMELY_SCREEN=$1 CHIMELY_PLATFORM=$2
    printf '%s\n' "$ALARMS" > "$APP/alarms.ini"
    rm -f "$APP/settings.ini"
    open_input
    start_chimely
    shot started
    send "soft 2" "choose 2"
}
end_profile() {
    send "soft 1" "wait 200"
    hand_over close
    finish "$PID" 10
    [ "$STATUS" -eq 0 ] || fault "$CHIMELY_SCREEN $CHIMELY_PLATFORM: status $STATUS after 'close'"
    exec 7>&-
    rm -f "$INPUT"
}

# cells SHOT SCALE: the month grid's top and row height, found from the cells' grey right and
# bottom rules ("TOP HEIGHT"); cells SHOT SCALE CELL...: for each month cell "COLUMN,ROW" the colour near its left edge and
# the colour inside it, above its number ("R G B|R G B").
shot_size() { "$TOOLS/pngdump" "\\$1.png" "\\$1.rgba" | sed -n 's/.* w=\([0-9]*\) h=\([0-9]*\)$/\1 \2/p'; }
cells() {
    local shot=$1 scale=$2
    shift 2
    python3 - "$ROOT/$shot.rgba" $(shot_size "$shot") "$scale" "$@" <<'PY'
import sys
rgba, w, h, s = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
data = open(rgba, 'rb').read()
px = lambda x, y: ' '.join(map(str, data[(y * w + x) * 4:(y * w + x) * 4 + 3]))
rule = '214 204 180'
def rules(points):
    found, previous = [], False
    for k, p in points:
        hit = px(*p) == rule
        if hit and not previous:
            found.append([k, k])
        elif hit:
            found[-1][1] = k
        previous = hit
    return found
# A cell ends before its rule and starts after the rule before it (rules are 1 pixel at 1x, 2 at 2x).
rows = rules([(y, (w - 3 * s, y)) for y in range(h)])[:7]
height = rows[1][0] - rows[0][0]
columns = rules([(x, (x, rows[2][0] - height // 2)) for x in range(w)])
width = columns[1][0] - columns[0][0]
start = lambda found, k, size: found[k - 1][1] + 1 if k > 0 else found[0][0] - size + s
if len(sys.argv) == 5:
    print(start(rows, 0, height), height)
for cell in sys.argv[5:]:
    c, r = map(int, cell.split(','))
    left, top = start(columns, c - 1, width), start(rows, r, height)
    print(px(left + s // 2, top + height // 2) + '|' + px(left + 4 * s, top + 3 * s))
PY
}
# expect_cells SHOT SCALE WHAT CELL=EDGE|INSIDE...
expect_cells() {
    local shot=$1 scale=$2 what=$3 spec got
    shift 3
    for spec in "$@"; do
        got=$(cells "$shot" "$scale" "${spec%%=*}")
        [ "$got" = "${spec#*=}" ] || fault "$shot: $what, cell ${spec%%=*} is $got, not ${spec#*=}"
    done
}

# walk SCREEN PLATFORM: the three views and back, judged by the month's cells (11 March, today,
# has the weekly alarm; 18 March, selected by the right key, has it too; 25 March has it; 20
# March has the once alarm; 12 March has none) and by the week's and the day's rows.
walk() {
    local screen=$1 platform=$2 scale=1 wide=240 name
    [ "${screen%x*}" = 480 ] && scale=2
    [ "${screen%x*}" = 176 ] && wide=176
    name="${screen}-${platform}"
    start_profile "$screen" "$platform"
    shot "$name-day"
    if [ "$platform" = smartphone ]; then
        send "soft 2" "choose 6"
        shot "$name-week"
        send "soft 2" "choose 5"
    else
        # The strip's captions "Day", "Week", "Month" from the left.
        if [ "$wide" = 176 ]; then send "tap 48 36"; else send "tap $(( 68 * scale )) $(( 38 * scale ))"; fi
        shot "$name-week"
        if [ "$wide" = 176 ]; then send "tap 92 36"; else send "tap $(( 125 * scale )) $(( 38 * scale ))"; fi
    fi
    send "key 39"
    shot "$name-month"
    end_profile
    expect_cells "$name-month" "$scale" "the month's marks" \
        "3,2=$NIGHT|$AMBER" "4,2=$AMBER|$CORAL" "5,2=$AMBER|$AMBER" "4,4=$AMBER|$AMBER" "3,3=$IVORY|$IVORY"
    # The day and the week share the month's grid top and row height; the week's selected row
    # (Wednesday) is navy, the day's first row holds the weekly alarm's bell at its icon slot.
    local grid top height width
    grid=$(cells "$name-month" "$scale")
    top=${grid%% *} height=$(echo "$grid" | cut -d' ' -f2)
    width=$(( wide * scale ))
    expect "$name-week" $(( width - 20 * scale )) $(( top + 2 * height + 3 * scale )) "$NAVY" "the week's Wednesday"
    expect "$name-week" $(( width - 20 * scale )) $(( top + 3 * height + 3 * scale )) "$IVORY" "the week's Thursday"
    local row=$(( (wide == 240 ? 26 : 20) * scale ))
    local bell=$(( width - 36 * scale - 10 + 2 + 6 * scale ))
    expect "$name-day" "$bell" $(( top + row / 2 )) "$CORAL" "the day's bell"
    expect "$name-day" "$bell" $(( top + row + row / 2 )) "$IVORY" "the day's second row"
}

for profile in "240x320 pocketpc" "240x320 pocketpc-old" "176x220 pocketpc" "480x640 pocketpc" \
               "176x220 smartphone" "240x320 smartphone"; do
    walk $profile
done

# Deleting on a Pocket PC at 240 x 320: the grid starts at y 74, day rows are 26 high, the
# question's buttons Yes, No and Cancel sit at y 272.
start_profile 240x320 pocketpc
send "tap 100 87" "soft 2" "choose 4"
shot question
send "tap 120 272"
wait_until 5 grep -qs '<Exeption[^>]*additional="2026 3 11"' "$APP/alarms.ini" \
    || fault "one day deleted: alarms.ini is $(tr -d '\n' < "$APP/alarms.ini")"
grep -q 'subject="Gym"' "$APP/alarms.ini" || fault "one day deleted the whole series"
shot skipped
expect skipped 224 87 "$IVORY" "the day after deleting its alarm, no bell"
# 18 March from the month (column 4, row 2 with Monday first), its alarm, the whole series.
send "tap 125 38" "tap 155 150" "tap 100 87" "soft 2" "choose 4" "tap 40 272"
wait_until 5 bash -c "! grep -q 'subject=\"Gym\"' \"$APP/alarms.ini\"" \
    || fault "the series deleted: alarms.ini is $(tr -d '\n' < "$APP/alarms.ini")"
grep -q 'subject="Lunch"' "$APP/alarms.ini" || fault "deleting the series took the other alarm"

# The first day from the week's menu, then from the month's: 18 March (selected) is in row 3
# with Sunday first and in column 4, row 2 with Monday first.
send "tap 68 38" "soft 2" "choose 2" "choose 1"
wait_until 5 grep -qs 'startday="false"' "$APP/settings.ini" || fault "Sunday first: settings.ini $(cat "$APP/settings.ini")"
shot sunday-week
expect sunday-week 220 $(( 74 + 3 * 31 + 3 )) "$NAVY" "Wednesday in row 3 with Sunday first"
send "tap 125 38"
shot sunday-month
expect_cells sunday-month 1 "Sunday first" "3,3=$CORAL|$CORAL" "1,0=$IVORY|$IVORY"
send "soft 2" "choose 2" "choose 2"
wait_until 5 grep -qs 'startday="true"' "$APP/settings.ini" || fault "Monday first: settings.ini $(cat "$APP/settings.ini")"
shot monday-month
expect_cells monday-month 1 "Monday first" "4,2=$CORAL|$CORAL" "4,4=$AMBER|$AMBER"
end_profile
passed
