# Shared by the home-screen item's e2e scripts: the installed device tree
# copied into the fresh root, the log's status lines, screenshot pixels and
# the home screen's own colours.
source "$(dirname "$0")/e2e-lib.sh"

# install_tree DEVICE: the build's device tree into $ROOT.
install_tree() {
    cp -a "$1/." "$ROOT/"
    APP="$ROOT/Program Files/Chimely"
    HOST="$APP/today-host"
    [ -x "$HOST" ] && [ -f "$APP/QevaChimelyToday.so" ] && [ -f "$ROOT/windows/ChimelyToday.skin" ] ||
        fail "the device tree lacks the host, the item library or its skin"
}

# The status texts the item logged, one per line (the log is UTF-16LE).
status_lines() {
    [ -f "$APP/today-host.txt" ] || return 0
    iconv -f UTF-16LE -t UTF-8 "$APP/today-host.txt" | tr -d '\r\357\273\277' | sed -n 's/^ChimelyToday status=//p'
}

# pixel PNG X Y: "R G B" of a screenshot pixel (through pngdump's raw RGBA).
pixel() {
    "$PNGDUMP" "${1#"$ROOT"}" "${1#"$ROOT"}.rgba" > "$1.size"
    local width
    width=$(sed -n 's/.* w=\([0-9]*\) h=.*/\1/p' "$1.size")
    od -An -tu1 -j $(( ($3 * width + $2) * 4 )) -N3 "$1.rgba" | tr -s ' ' | sed 's/^ //'
}

# count_colour PNG "R G B" X0 Y0 X1 Y1: pixels of that colour in the rectangle.
count_colour() {
    "$PNGDUMP" "${1#"$ROOT"}" "${1#"$ROOT"}.rgba" > "$1.size"
    python3 - "$1.rgba" "$(sed -n 's/.* w=\([0-9]*\) h=.*/\1/p' "$1.size")" "$2" "$3" "$4" "$5" "$6" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
width = int(sys.argv[2]); colour = tuple(int(v) for v in sys.argv[3].split())
x0, y0, x1, y1 = (int(v) for v in sys.argv[4:8])
print(sum(1 for y in range(y0, y1) for x in range(x0, x1)
          if tuple(data[(y * width + x) * 4:(y * width + x) * 4 + 3]) == colour))
PY
}

# count_differing PNG_A PNG_B: pixels in which two screenshots of one size differ.
count_differing() {
    "$PNGDUMP" "${1#"$ROOT"}" "${1#"$ROOT"}.rgba" > /dev/null
    "$PNGDUMP" "${2#"$ROOT"}" "${2#"$ROOT"}.rgba" > /dev/null
    python3 - "$1.rgba" "$2.rgba" <<'PY'
import sys
a, b = (open(name, 'rb').read() for name in sys.argv[1:3])
print(sum(1 for i in range(0, min(len(a), len(b)), 4) if a[i:i + 3] != b[i:i + 3]))
PY
}

# The home screen's background at row Y of a screen HEIGHT high, with the
# highlight of the selected item when HIGHLIGHT is 1 (as today-host draws it).
host_background() {
    python3 - "$1" "$2" "${3:-0}" <<'PY'
import sys
y, height, highlight = (int(v) for v in sys.argv[1:4])
top, bottom, mark = (24, 52, 96), (70, 130, 160), (230, 140, 40)
mix = lambda a, b, at, of: a + (b - a) * at // (of - 1) if b >= a else a - ((a - b) * at // (of - 1))
colour = [mix(a, b, y, height) for a, b in zip(top, bottom)]
if highlight:
    colour = [mix(a, b, 1, 3) for a, b in zip(colour, mark)]
print(*colour)
PY
}
