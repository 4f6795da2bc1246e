#!/bin/bash
# The wake-up service starts the registered program with "AppRunAtTime" at its
# time, once, honours a replaced registration and the fake clock, fires a past
# registration at once, stays single per root and ends when nothing is left.
WAKER=$1
source "$(dirname "$0")/e2e-lib.sh"

mkdir -p "$ROOT/Program Files/Chimely"
cat > "$ROOT/Program Files/Chimely/Bellcue.exe" <<'STUB'
#!/bin/sh
echo "$* $CHIMELY_NOW" >> "$CHIMELY_ROOT/started.txt"
STUB
chmod +x "$ROOT/Program Files/Chimely/Bellcue.exe"
PROGRAM='\Program Files\Chimely\Bellcue.exe'
started() { [ -f "$ROOT/started.txt" ] && [ "$(wc -l < "$ROOT/started.txt")" -ge "$1" ]; }

export CHIMELY_NOW="2026-03-07 08:00:00"
"$WAKER" register "$PROGRAM" "2026-03-07 08:00:30"
"$WAKER" register "$PROGRAM" "2026-03-07 08:00:04"
[ "$("$WAKER" list)" = "2026-03-07 08:00:04 $PROGRAM" ] || fail "registration not replaced: $("$WAKER" list)"
[ -n "$(wakers_of_root)" ] || fail "registering did not start the service"
sleep 1
started 1 && fail "started before its time"
wait_until 8 started 1 || fail "not started at the registered time"
grep -Eqx 'AppRunAtTime 2026-03-07 08:00:0[4-7]' "$ROOT/started.txt" || fail "wrong start: $(cat "$ROOT/started.txt")"
[ -z "$("$WAKER" list)" ] || fail "registration kept after firing"
wait_until 3 no_waker || fail "service did not end with no registration left"
sleep 0.5
[ "$(wc -l < "$ROOT/started.txt")" -eq 1 ] || fail "started more than once"

# A registration already past when the service starts fires at once.
CHIMELY_NOW="2026-03-07 09:00:00" "$WAKER" register "$PROGRAM" "2026-03-07 08:30:00"
wait_until 3 started 2 || fail "past registration did not fire at once"
tail -n 1 "$ROOT/started.txt" | grep -Eqx 'AppRunAtTime 2026-03-07 09:00:0[0-3]' || fail "wrong start: $(tail -n 1 "$ROOT/started.txt")"

# One service per root: a second one leaves at once; cancelling ends the first.
"$WAKER" register "$PROGRAM" "2030-01-01 00:00:00"
wait_until 3 has_waker || fail "service not running"
first=$(wakers_of_root)
timeout 3 "$WAKER" || fail "second service did not leave at once"
[ "$(wakers_of_root)" = "$first" ] || fail "service changed"
"$WAKER" cancel "$PROGRAM"
wait_until 3 no_waker || fail "service did not end after cancel"
[ "$(wc -l < "$ROOT/started.txt")" -eq 2 ] || fail "unexpected start"
echo PASS
