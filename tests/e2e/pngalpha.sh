#!/bin/bash
# pngalpha PNGALPHA PNGDUMP: pictures rendered by rsvg-convert split as the skin's picture
# loader reads them: an opaque one into its colours alone, a hard-edged one into colours (white
# where clear) and a black-and-white mask "_1", a soft-edged one into colours and its alpha as
# grey "_8"; a second split removes the variant the first one left.
source "$(dirname "$0")/e2e-lib.sh"
PNGALPHA=$1 PNGDUMP=$2
RSVG=$(command -v rsvg-convert) || { echo "no rsvg-convert"; exit 77; }
unset CHIMELY_ROOT   # the tools take plain paths here

svg() { echo "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"8\">$2</svg>" > "$ROOT/$1.svg"
        "$RSVG" --format png --output "$ROOT/$1.rgba.png" "$ROOT/$1.svg" || fail "rsvg-convert $1"; }
# rgb NAME X Y: the red, green, blue bytes of the 8 x 8 picture NAME.png at (X, Y).
rgb() { "$PNGDUMP" "$ROOT/$1.png" "$ROOT/$1.rgba" > /dev/null || fail "$1.png unreadable"
        od -An -tu1 -j $(( ($3 * 8 + $2) * 4 )) -N3 "$ROOT/$1.rgba" | tr -s ' ' | sed 's/^ //'; }
expect() { [ "$(rgb "$1" "$2" "$3")" = "$4" ] || fail "$1 at ($2, $3) is $(rgb "$1" "$2" "$3"), not $4"; }
exists() { [ -f "$ROOT/$1" ] || fail "no $1"; }
absent() { [ ! -e "$ROOT/$1" ] || fail "$1 should not exist"; }

svg opaque '<rect width="8" height="8" fill="#FF8000"/>'
svg hard '<rect x="2" width="4" height="8" fill="#0000FF" shape-rendering="crispEdges"/>'
svg soft '<circle cx="4" cy="4" r="3" fill="#00FF00"/>'
for name in opaque hard soft; do "$PNGALPHA" "$ROOT/$name.rgba.png" "$ROOT/$name" || fail "pngalpha $name"; done

exists opaque.png; absent opaque_1.png; absent opaque_8.png
expect opaque 0 0 "255 128 0"
exists hard.png; exists hard_1.png; absent hard_8.png
expect hard 3 3 "0 0 255"
expect hard 0 3 "255 255 255"      # clear: white, so the mask's black lets the screen through
expect hard_1 3 3 "255 255 255"
expect hard_1 0 3 "0 0 0"
exists soft.png; exists soft_8.png; absent soft_1.png
expect soft 4 4 "0 255 0"
expect soft_8 4 4 "255 255 255"
expect soft_8 0 0 "0 0 0"
[ "$(rgb soft_8 1 4 | cut -d' ' -f1)" -gt 0 ] && [ "$(rgb soft_8 1 4 | cut -d' ' -f1)" -lt 255 ] ||
    fail "the circle's edge is not partly covered: $(rgb soft_8 1 4)"

# The soft picture redrawn with hard edges: its alpha picture goes, a mask takes its place.
cp "$ROOT/hard.rgba.png" "$ROOT/soft.rgba.png"
"$PNGALPHA" "$ROOT/soft.rgba.png" "$ROOT/soft" || fail "pngalpha soft again"
exists soft_1.png; absent soft_8.png
"$PNGALPHA" "$ROOT/missing.png" "$ROOT/missing" 2> "$ROOT/err" && fail "a missing input succeeded"
grep -q "is no readable PNG" "$ROOT/err" || fail "message: $(cat "$ROOT/err")"
echo "pngalpha: OK"
