#!/bin/bash
# skinprobe SKINC PNGDUMP: a skin's form built by name and run under an
# input script: controls of a framework-class kind are built, unknown kinds
# reported, the script's screenshot shows the form, and the probe ends by
# itself after the script's last line; a form the skin lacks is fatal (70).
source "$(dirname "$0")/e2e-lib.sh"
trap 'rm -rf "$ROOT"' EXIT
PROBE=$1 SKINC=$2 PNGDUMP=$3
export CHIMELY_SCREEN=240x320 CHIMELY_PLATFORM=pocketpc

mkdir -p "$ROOT/skin"
# 4 x 4 one-colour pictures.
echo iVBORw0KGgoAAAANSUhEUgAAAAQAAAAECAIAAAAmkwkpAAAAEElEQVR4nGP4z8AARwzEcQCukw/x0F8jngAAAABJRU5ErkJggg== | base64 -d > "$ROOT/skin/red.png"
echo iVBORw0KGgoAAAANSUhEUgAAAAQAAAAECAIAAAAmkwkpAAAAEElEQVR4nGNgYPiPhIjiAACOsw/xs6MvMwAAAABJRU5ErkJggg== | base64 -d > "$ROOT/skin/blue.png"
echo iVBORw0KGgoAAAANSUhEUgAAAAQAAAAECAIAAAAmkwkpAAAAD0lEQVR4nGNg+M+AQMRxAJ6jD/Flt2QIAAAAAElFTkSuQmCC | base64 -d > "$ROOT/skin/green.png"
cat > "$ROOT/skin/probe.xml" <<'XML'
<skin id="probe" devices="">
  <design width="240" height="320"/>
  <form name="Main">
    <point name="Size" x="240" y="268"/>
    <int name="StartPosition" value="4"/>
    <picture name="Background" image="red" stretch="1"/>
    <control name="frmByClass"><point name="Position" x="20" y="20"/><point name="Size" x="100" y="40"/>
      <picture name="Normal" image="blue" stretch="1"/></control>
    <control name="frmByKind"><point name="Position" x="20" y="100"/><point name="Size" x="100" y="40"/>
      <picture name="Normal" image="green" stretch="1"/></control>
    <create name="frmByClass" kind="ControlFrame"/>
    <create name="frmByKind" kind="Auto.Frame"/>
    <create name="btnLater" kind="NoSuchKind"/>
  </form>
</skin>
XML
"$SKINC" '\skin\probe.xml' '\skin\probe.skin' || fail "skinc"
printf 'title Probe\n' > "$ROOT/skin/English.lng"
cat > "$ROOT/script.txt" <<EOF2
tap 60 60
key 40
shot $ROOT/shot.png
wait 50
EOF2

rc=0
CHIMELY_INPUT="$ROOT/script.txt" timeout 30 "$PROBE" '\skin\probe.skin' '\skin\English.lng' Main \
    > "$ROOT/events.txt" 2> "$ROOT/errors.txt" || rc=$?
[ "$rc" = 0 ] || { cat "$ROOT/errors.txt" >&2; fail "skinprobe ended with $rc"; }
# Frames raise no events; every line the probe prints is an event line.
if grep -v '^EVENT ' "$ROOT/events.txt"; then fail "lines that are no events"; fi
[ ! -s "$ROOT/events.txt" ] || { cat "$ROOT/events.txt" >&2; fail "events from frames"; }
grep -qF 'skinprobe: control {btnLater} of kind {NoSuchKind}: no such kind or framework class' "$ROOT/errors.txt" ||
    { cat "$ROOT/errors.txt" >&2; fail "the unknown kind is not reported"; }

[ -f "$ROOT/shot.png" ] || fail "no screenshot"
"$PNGDUMP" '\shot.png' '\shot.rgba' | grep -q ' w=240 h=320$' || fail "screenshot size"
# The red, green, blue bytes of the screen pixel (x, y).
pixel() { od -An -tu1 -j $(( ($2 * 240 + $1) * 4 )) -N3 "$ROOT/shot.rgba" | tr -s ' ' | sed 's/^ //'; }
# The form starts below the task bar's band of 26 pixels.
[ "$(pixel 200 200)" = "255 0 0" ] || fail "background at (200, 200): $(pixel 200 200)"
[ "$(pixel 60 60)" = "0 0 255" ] || fail "class-built frame at (60, 60): $(pixel 60 60)"
[ "$(pixel 60 140)" = "0 255 0" ] || fail "factory-built frame at (60, 140): $(pixel 60 140)"

rc=0
timeout 30 "$PROBE" '\skin\probe.skin' '\skin\English.lng' Missing > /dev/null 2> "$ROOT/errors.txt" || rc=$?
[ "$rc" = 70 ] || fail "a missing form ended with $rc"
grep -qF 'has no form {Missing}' "$ROOT/errors.txt" || { cat "$ROOT/errors.txt" >&2; fail "no report of the missing form"; }
echo "skinprobe: OK"
