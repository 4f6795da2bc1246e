#!/bin/bash
# today-skin-lint DEVICE: the home-screen item's form builds on its shipped skin as the item
# library builds it, inside the home screen, at each screen size and device profile and one
# size below all; a missing control or form ends the home screen with the fatal report.
source "$(dirname "$0")/e2e-lib.sh"
DEVICE=$1
cp -r "$DEVICE/." "$ROOT/"
rm -rf "$ROOT/windows/registry" "$ROOT/windows/WakeUp"
printf 'wait 200\n' > "$ROOT/script.txt"
cases=0 failures=0
for size in 176x220 240x320 480x640 128x160; do
    for profile in pocketpc pocketpc-old smartphone; do
        lint_case "the item at $size $profile" env CHIMELY_SCREEN=$size CHIMELY_PLATFORM=$profile \
            CHIMELY_INPUT="$ROOT/script.txt" timeout 30 "$ROOT/Program Files/Chimely/today-host"
    done
done
echo "item skin lint: $cases cases, $failures failed"
[ "$failures" = 0 ] || fail "the item's form does not build on its shipped skin"
