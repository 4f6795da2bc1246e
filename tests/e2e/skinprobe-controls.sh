#!/bin/bash
# skinprobe-controls SKINPROBE SKINC PNGDUMP: one form holding a button, a
# check box, a progress bar, an analog clock, a picture and a panel with a
# child, run under an input script on every device profile. Taps and keys
# raise the events in order; the screenshots show each control in its state.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/skinprobe-lib.sh"
PROBE=$1 SKINC=$2 PNGDUMP=$3
export CHIMELY_NOW="2026-12-09 15:30:45"

mkdir -p "$ROOT/skin"
colour_pictures "$ROOT/skin"
# A 20 x 10 logo and three hands standing at twelve o'clock above their
# pivot, the centre of a 64-pixel-high picture, with their masks (black where the face shows through).
while read -r name data; do echo "$data" | base64 -d > "$ROOT/skin/$name.png"; done <<'PNG'
logo iVBORw0KGgoAAAANSUhEUgAAABQAAAAKCAYAAAC0VX7mAAAAF0lEQVR42mNoYPj/n5qYYdTAUQOHo4EAxAfygMDNCG4AAAAASUVORK5CYII=
hour iVBORw0KGgoAAAANSUhEUgAAAAQAAABACAYAAAA9ONYEAAAAGElEQVR42mNgGE7gPxocFaBcYBSMAtwAAFBUn2Hj9RCTAAAAAElFTkSuQmCC
minute iVBORw0KGgoAAAANSUhEUgAAAAQAAABACAYAAAA9ONYEAAAAGUlEQVR42mNgIAL8/4+KRwVGksAoGAU4AQBjx+8Rrk6XcgAAAABJRU5ErkJggg==
second iVBORw0KGgoAAAANSUhEUgAAAAgAAABACAYAAAAnBDaKAAAAIUlEQVR42mNgGETgPxAh41EFowpGFQwOBaNgFIyCUYAGAGWF3yEiiLL+AAAAAElFTkSuQmCC
hour_1 iVBORw0KGgoAAAANSUhEUgAAAAQAAABACAYAAAA9ONYEAAAAIElEQVR42mNgYGD4j4aHrMB/NDAqQLnAcEofowJUFwAA5qHuIIqC2AAAAAAASUVORK5CYII=
minute_1 iVBORw0KGgoAAAANSUhEUgAAAAQAAABACAYAAAA9ONYEAAAAH0lEQVR42mNgYGD4j4bRBP6jgVGBkSRAOH2MCoxgAQCuuGW3BXBDqwAAAABJRU5ErkJggg==
second_1 iVBORw0KGgoAAAANSUhEUgAAAAgAAABACAYAAAAnBDaKAAAAKElEQVR42mNgYGD4TwDTTQE6GFUwqmBUweBQMBjKh1EFowpGFQwqBQD5okze2wNBXwAAAABJRU5ErkJggg==
PNG
# The layout fits the smallest screen; 480 x 640 takes it at scale 2.
cat > "$ROOT/skin/controls.xml" <<'XML'
<skin id="controls" devices="">
  <design width="240" height="320"/>
  <design width="176" height="220"/>
  <form name="Main">
    <point name="Size" x="176" y="152"/>
    <int name="StartPosition" value="4"/>
    <picture name="Background" image="grey" stretch="1"/>
    <control name="btnGo"><point name="Position" x="8" y="8"/><point name="Size" x="60" y="24"/>
      <int name="TabOrder" value="1"/>
      <picture name="Normal" image="navy" stretch="1"/><picture name="Pressed" image="black" stretch="1"/></control>
    <control name="chkOption"><point name="Position" x="80" y="8"/><point name="Size" x="40" y="24"/>
      <int name="TabOrder" value="2"/>
      <picture name="Normal" image="dark" stretch="1"/><picture name="CheckedNormal" image="yellow" stretch="1"/></control>
    <control name="prgLevel"><point name="Position" x="8" y="40"/><point name="Size" x="100" y="20"/>
      <int name="TabOrder" value="3"/><int name="Orientation" value="3"/><int name="TrackSize" value="10"/>
      <picture name="Background" image="black" stretch="1"/><picture name="Progress" image="cyan" stretch="1"/>
      <picture name="Track" image="white" stretch="1"/></control>
    <control name="watClock"><point name="Position" x="8" y="68"/><point name="Size" x="80" y="80"/>
      <int name="TabOrder" value="4"/>
      <picture name="Background" image="white" stretch="1"/><picture name="HourArrow" image="hour"/>
      <picture name="MinuteArrow" image="minute"/><picture name="SecondArrow" image="second"/></control>
    <control name="picLogo"><point name="Position" x="96" y="68"/><point name="Size" x="40" y="40"/>
      <picture name="Picture" image="logo"/></control>
    <control name="pnlBox"><point name="Position" x="96" y="112"/><point name="Size" x="72" y="36"/>
      <int name="TabOrder" value="5"/><string name="FormTemplate" value="Box"/></control>
    <create name="btnGo" kind="Auto.Button"/>
    <create name="chkOption" kind="ControlCheckBox"/>
    <create name="prgLevel" kind="ControlProgress"/>
    <create name="watClock" kind="ControlWatch"/>
    <create name="picLogo" kind="ControlPicture"/>
    <create name="pnlBox" kind="ControlPanel"/>
  </form>
  <form name="Box">
    <point name="Size" x="72" y="36"/>
    <picture name="Background" image="magenta" stretch="1"/>
    <control name="picChild"><point name="Position" x="8" y="8"/><point name="Size" x="20" y="20"/>
      <picture name="Picture" image="orange" p3="4 4"/></control>
    <create name="picChild" kind="Auto.Picture"/>
  </form>
</skin>
XML
"$SKINC" '\skin\controls.xml' '\skin\controls.skin' || fail "skinc"
printf 'title Controls\n' > "$ROOT/skin/English.lng"

# run NAME SCRIPT-LINES...: the form under a script; events in $ROOT/NAME.events.
run() {
    local name=$1 rc=0; shift
    printf '%s\n' "$@" > "$ROOT/$name.script"
    CHIMELY_INPUT="$ROOT/$name.script" timeout 30 "$PROBE" '\skin\controls.skin' '\skin\English.lng' Main \
        > "$ROOT/$name.events" 2> "$ROOT/$name.errors" || rc=$?
    [ "$rc" = 0 ] || { cat "$ROOT/$name.errors" >&2; fail "$name: skinprobe ended with $rc"; }
}
# expect SHOT X Y COLOUR WHAT: the pixel at skin point (X, Y) of the form,
# placed at ($OX, $OY) on the screen and drawn at scale $S.
expect() {
    local got
    got=$(pixel "$1" $(( OX + $2 * S )) $(( OY + $3 * S )))
    [ "$got" = "$4" ] || fail "$1: $5 at ($2, $3) is $got, not $4"
}
GREY="200 200 200" NAVY="0 0 128" DARK="64 64 64" YELLOW="255 255 0" WHITE="255 255 255" BLACK="0 0 0"
PURPLE="128 0 255" MAGENTA="255 0 255" ORANGE="255 128 0" RED="255 0 0" GREEN="0 255 0" BLUE="0 0 255"
# The clock's pivot is the centre of its 80 x 80 face at (8, 68).
clock_at_153045() {
    expect "$1" 48 128 "$BLUE" "the minute hand, at half past"
    expect "$1" 38 108 "$RED" "the second hand, at 45 seconds"
    expect "$1" 61 112 "$GREEN" "the hour hand, between 3 and 4"
    expect "$1" 48 90 "$WHITE" "the face above the pivot"
    expect "$1" 20 80 "$WHITE" "the face"
}
# The picture centred in its control, the panel's child over the template's background.
still_controls() {
    expect "$1" 116 88 "$PURPLE" "the picture, centred"
    expect "$1" 98 70 "$GREY" "the form around the picture"
    expect "$1" 100 116 "$MAGENTA" "the panel's background"
    expect "$1" 114 130 "$ORANGE" "the panel's child"
}

export CHIMELY_SCREEN=240x320 CHIMELY_PLATFORM=pocketpc
S=1 OX=0 OY=26  # below the task bar's band
run pocket "shot $ROOT/pocket1.png" "tap 38 46" "tap 100 46" "shot $ROOT/pocket2.png" "tap 100 46" "tap 58 76" \
    "key 38" "key 13" "shot $ROOT/pocket3.png" "wait 50"
# Taps: the button, the check box twice, the bar; then up from the bar to the
# check box and the action key. The bar only proposes the value at the stylus,
# (50 - 10 / 2) / (100 - 10), and keeps its own.
printf '%s\n' "EVENT on_click sender=btnGo" "EVENT on_click sender=chkOption" "EVENT on_click sender=chkOption" \
    "EVENT on_slider_moved sender=prgLevel value=0.5000" "EVENT on_click sender=chkOption" > "$ROOT/expected"
diff "$ROOT/expected" "$ROOT/pocket.events" >&2 || fail "pocket: events"
clock_at_153045 pocket1
still_controls pocket1
expect pocket1 38 20 "$NAVY" "the button"
expect pocket1 100 20 "$DARK" "the check box, clear"
expect pocket2 100 20 "$YELLOW" "the check box, checked"
expect pocket3 100 20 "$YELLOW" "the check box, checked by the action key"
expect pocket3 13 50 "$WHITE" "the bar's thumb, still at 0"
expect pocket3 58 50 "$BLACK" "the bar's empty track"
expect pocket3 150 20 "$GREY" "the form's background"

# A smartphone takes the button and the check box into the form's soft-key
# menu instead of drawing them; the rest is drawn as on a Pocket PC.
export CHIMELY_SCREEN=176x220 CHIMELY_PLATFORM=smartphone
S=1 OX=0 OY=20
run phone "shot $ROOT/phone.png" "key 13" "wait 50"
[ ! -s "$ROOT/phone.events" ] || { cat "$ROOT/phone.events" >&2; fail "phone: events"; }
clock_at_153045 phone
still_controls phone
expect phone 38 20 "$GREY" "no drawn button"
expect phone 100 20 "$GREY" "no drawn check box"
expect phone 13 50 "$WHITE" "the bar's thumb"

# The older Pocket PC shell at 480 x 640: the 240 x 320 design at scale 2.
export CHIMELY_SCREEN=480x640 CHIMELY_PLATFORM=pocketpc-old
S=2 OX=0 OY=52
run old "tap 200 92" "shot $ROOT/old.png" "wait 50"
[ "$(cat "$ROOT/old.events")" = "EVENT on_click sender=chkOption" ] || { cat "$ROOT/old.events" >&2; fail "old: events"; }
clock_at_153045 old
still_controls old
expect old 38 20 "$NAVY" "the button"
expect old 100 20 "$YELLOW" "the check box, checked"
echo "skinprobe-controls: OK"
