#!/bin/bash
# skinprobe-controls2 SKINPROBE SKINC PNGDUMP: one form holding a scroll bar,
# a tab of two pages, a combo box, an edit box, a calendar and a list of
# twelve items, run under an input script on a 240 x 320 Pocket PC. Taps,
# typing and the drop-down raise the events in order; the screenshots show
# the selected row, the visible page and the open drop-down.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/skinprobe-lib.sh"
PROBE=$1 SKINC=$2 PNGDUMP=$3
export CHIMELY_NOW="2026-12-09 15:30:45"

mkdir -p "$ROOT/skin"
colour_pictures "$ROOT/skin"
cat > "$ROOT/skin/controls2.xml" <<'XML'
<skin id="controls2" devices="">
  <design width="240" height="320"/>
  <kind name="Arrow"><picture name="Normal" image="dark" stretch="1"/><picture name="Pressed" image="black" stretch="1"/></kind>
  <kind name="Space"><picture name="Normal" image="white" stretch="1"/></kind>
  <kind name="Thumb"><picture name="Normal" image="orange" stretch="1"/></kind>
  <kind name="Bar"><int name="Vertical" value="1"/><string name="KindMin" value="Arrow"/><string name="KindMax" value="Arrow"/>
    <string name="KindSpace" value="Space"/><string name="KindTrack" value="Thumb"/>
    <int name="MinButtonSize" value="12"/><int name="MaxButtonSize" value="12"/></kind>
  <kind name="Strip"><int name="ItemHeight" value="16"/>
    <picture name="ItemNormal" image="white" stretch="1"/><font name="ItemNormal" value="9 0 0 0 DejaVu Sans"/><color name="ItemNormal" value="#000000"/>
    <picture name="ItemSelection" image="magenta" stretch="1"/><color name="ItemSelection" value="#FFFFFF"/></kind>
  <kind name="CmbButton"><picture name="Normal" image="navy" stretch="1"/></kind>
  <kind name="CmbEdit"><picture name="Normal" image="white" stretch="1"/></kind>
  <kind name="CmbList"><int name="ItemHeight" value="16"/><picture name="Normal" image="cyan" stretch="1"/></kind>
  <form name="Drop"/>
  <form name="Main">
    <point name="Size" x="240" y="240"/>
    <int name="StartPosition" value="4"/>
    <picture name="Background" image="grey" stretch="1"/>
    <control name="sbrLeft"><point name="Position" x="4" y="4"/><point name="Size" x="12" y="100"/>
      <int name="Vertical" value="1"/><string name="KindMin" value="Arrow"/><string name="KindMax" value="Arrow"/>
      <string name="KindSpace" value="Space"/><string name="KindTrack" value="Thumb"/>
      <int name="MinButtonSize" value="12"/><int name="MaxButtonSize" value="12"/></control>
    <control name="tabPages"><point name="Position" x="24" y="4"/><point name="Size" x="100" y="60"/>
      <int name="TabOrder" value="1"/>
      <string name="FormTemplate" value="Pages"/><string name="KindGrid" value="Strip"/>
      <string name="KindMin" value="Arrow"/><string name="KindMax" value="Arrow"/>
      <int name="HeaderHeight" value="16"/><int name="ButtonWidth" value="12"/><int name="TextBorder" value="2"/></control>
    <control name="cmbPick"><point name="Position" x="132" y="4"/><point name="Size" x="100" y="20"/>
      <int name="TabOrder" value="2"/>
      <string name="ButtonKind" value="CmbButton"/><string name="EditKind" value="CmbEdit"/>
      <string name="ListKind" value="CmbList"/><string name="DropdownForm" value="Drop"/>
      <int name="ButtonWidth" value="16"/><point name="DropdownSize" x="0" y="48"/></control>
    <control name="edtText"><point name="Position" x="132" y="32"/><point name="Size" x="100" y="20"/>
      <int name="TabOrder" value="3"/><point name="BorderMin" x="2" y="2"/>
      <picture name="Normal" image="white" stretch="1"/><font name="Normal" value="10 0 0 0 DejaVu Sans"/>
      <color name="Normal" value="#000000"/></control>
    <control name="calDate"><point name="Position" x="72" y="72"/><point name="Size" x="166" y="164"/>
      <int name="TabOrder" value="4"/>
      <color name="Background" value="#FFFFFF"/><color name="TitleBackground" value="#000080"/>
      <color name="Text" value="#000000"/><color name="TitleText" value="#FFFF00"/></control>
    <control name="lstItems"><point name="Position" x="4" y="112"/><point name="Size" x="64" y="120"/>
      <int name="TabOrder" value="5"/><int name="ItemHeight" value="20"/>
      <string name="KindScroll" value="Bar"/><int name="ScrollWidth" value="12"/>
      <picture name="ItemNormal" image="white" stretch="1"/><font name="ItemNormal" value="10 0 0 0 DejaVu Sans"/>
      <color name="ItemNormal" value="#000000"/>
      <picture name="ItemSelection" image="navy" stretch="1"/><color name="ItemSelection" value="#FFFFFF"/></control>
    <create name="sbrLeft" kind="ControlScrollBar"/>
    <create name="tabPages" kind="ControlTab"/>
    <create name="cmbPick" kind="ControlComboBox"/>
    <create name="edtText" kind="ControlEdit"/>
    <create name="calDate" kind="ControlCalendar"/>
    <create name="lstItems" kind="ControlList"/>
  </form>
  <form name="Pages">
    <point name="Size" x="100" y="60"/>
    <control name="tabOne"><string name="Text" value="One"/><picture name="Background" image="yellow" stretch="1"/></control>
    <control name="tabTwo"><string name="Text" value="Two"/><picture name="Background" image="cyan" stretch="1"/></control>
    <create name="tabOne" kind="ControlTabElement"/>
    <create name="tabTwo" kind="ControlTabElement"/>
  </form>
</skin>
XML
"$SKINC" '\skin\controls2.xml' '\skin\controls2.skin' || fail "skinc"
printf 'title Controls\n' > "$ROOT/skin/English.lng"

# expect SHOT X Y COLOUR WHAT: the pixel at form point (X, Y); the form sits below the task bar.
expect() {
    local got
    got=$(pixel "$1" "$2" $(( 26 + $3 )))
    [ "$got" = "$4" ] || fail "$1: $5 at ($2, $3) is $got, not $4"
}
WHITE="255 255 255" NAVY="0 0 128" YELLOW="255 255 0" CYAN="0 255 255" ORANGE="255 128 0" DARK="64 64 64"

export CHIMELY_SCREEN=240x320 CHIMELY_PLATFORM=pocketpc
# Screen points: list rows 2 and 4, the bar's lower arrow, the list's lower
# arrow, the edit box,
# the strip's second caption, the combo box's button twice.
printf '%s\n' "shot $ROOT/start.png" "tap 30 168" "tap 30 208" "tap 10 124" "tap 62 252" "tap 180 68" "char Hi" "tap 70 38" \
    "shot $ROOT/typed.png" "tap 224 40" "shot $ROOT/open.png" "tap 224 40" "shot $ROOT/closed.png" "wait 50" \
    > "$ROOT/script"
rc=0
CHIMELY_INPUT="$ROOT/script" timeout 30 "$PROBE" '\skin\controls2.skin' '\skin\English.lng' Main \
    > "$ROOT/events" 2> "$ROOT/errors" || rc=$?
[ "$rc" = 0 ] || { cat "$ROOT/errors" >&2; fail "skinprobe ended with $rc"; }
# The strip shows the first page as it is built; the stand-alone bar has no
# range, so its arrow moves nothing and raises nothing; the list's own bar,
# named by its kind, scrolls the rows by one.
printf '%s\n' "EVENT on_selection_changed sender=Strip" \
    "EVENT on_selection_changed sender=lstItems" "EVENT on_item_click sender=lstItems column=0 row=1" \
    "EVENT on_selection_changed sender=lstItems" "EVENT on_item_click sender=lstItems column=0 row=3" \
    "EVENT on_scroll sender=Bar position=1" \
    "EVENT on_click sender=edtText" "EVENT on_text_changed sender=edtText text=H" \
    "EVENT on_text_changed sender=edtText text=Hi" \
    "EVENT on_selection_changed sender=Strip" "EVENT on_item_click sender=Strip column=1 row=0" \
    "EVENT on_popup_closed sender=cmbPick" > "$ROOT/expected"
diff "$ROOT/expected" "$ROOT/events" >&2 || fail "events"

expect start 51 142 "$WHITE" "row 2, not selected"
expect start 74 40 "$YELLOW" "the first page"
expect start 10 50 "$ORANGE" "the bar's thumb over the whole track"
expect start 62 130 "$ORANGE" "the list's thumb, at the top"
# Scrolled by a row: row 4 is third from the top, row 5 under it.
expect typed 51 162 "$NAVY" "row 4, selected"
expect typed 51 182 "$WHITE" "row 5"
expect typed 51 122 "$WHITE" "row 2, no longer selected"
expect typed 62 130 "$WHITE" "the list's track above its thumb, gone down"
expect typed 74 40 "$CYAN" "the second page"
expect typed 200 42 "$WHITE" "the edit box"
expect open 200 42 "$CYAN" "the drop-down below the combo box"
expect closed 200 42 "$WHITE" "the edit box again"
echo "skinprobe-controls2: OK"
