#!/bin/bash
# Nothing put in place of a file holds Chimely, and no start waits for ever. FIFOs in place of
# alarms.ini, settings.ini, the state file, the language file and the chosen skin are refused with
# a log line each: the program comes up at once and "close" ends it. A start that finds the
# single-instance lock held (by a start hung before its window) gives up after a few seconds with
# a message on standard error; SIGTERM ends a start that waits for the lock at once.
# Usage: chimely-blocking.sh DEVICE-TREE TOOLS-DIR
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/chimely-lib.sh"
export CHIMELY_NOW="2026-03-07 10:00:00"
export XDG_RUNTIME_DIR=$ROOT/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
refused() { log_count "os::File refused {$1}: not a regular file"; }

# FIFOs everywhere the program reads its own files.
for file in "$APP/alarms.ini" "$APP/settings.ini" "$STATE" "$APP/English.lng"; do
    rm -f "$file"
    mkfifo "$file"
done
start_chimely
wait_until 5 test -f "$STATE" || fail "the program did not come up with FIFOs for its files"
hand_over close
finish "$PID" 5
[ "$STATUS" -eq 0 ] || fault "status $STATUS after 'close'"
for name in alarms.ini settings.ini English.lng; do
    [ "$(refused "\\Program Files\\Chimely\\$name")" -ge 1 ] || fault "no log line refuses $name"
done

# A skin that is a FIFO: the default skin is used instead.
rm -f "$APP/settings.ini" "$APP/English.lng" "$STATE"
cp "$TREE/Program Files/Chimely/English.lng" "$APP/"
mkfifo "$APP/skin/Fifo.skin"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<Settings><Appearance skin="%%app_path%%/skin/Fifo.skin"/></Settings>\n' \
    > "$APP/settings.ini"
start_chimely
wait_until 5 test -f "$STATE" || fail "the program did not come up with a FIFO for its skin"
hand_over close
finish "$PID" 5
[ "$STATUS" -eq 0 ] || fault "status $STATUS after 'close' with a FIFO skin"
[ "$(refused '\Program Files\Chimely\skin\Fifo.skin')" -eq 1 ] || fault "the FIFO skin is not refused once"

# A start hung before its window holds the single-instance lock; later starts give up.
lock=$(find "$XDG_RUNTIME_DIR" -name 'mutex-SkinnerClass_Chimely.lock')
[ -f "$lock" ] || fail "no single-instance lock file under $XDG_RUNTIME_DIR"
# One process holds it (the lock goes with the descriptor that sleep inherits).
( exec 8> "$lock"; flock 8; exec sleep 60 ) > /dev/null 2>&1 &
holder=$!
sleep 0.2
started=$(date +%s%N)
set +e
"$PROGRAM" 2> "$ROOT/stderr.txt"
status=$?
set -e
waited=$(( ($(date +%s%N) - started) / 1000000 ))
echo "a start gave up after $waited ms"
[ "$status" -eq 75 ] || fault "a start that cannot take the lock ended with status $status"
[ "$waited" -lt 8000 ] || fault "a start waited $waited ms for the lock"
grep -q "gives up" "$ROOT/stderr.txt" || fault "no message on standard error: $(cat "$ROOT/stderr.txt")"
[ "$(log_count 'gave up: an earlier start of the program holds the single-instance lock')" -eq 1 ] ||
    fault "the log does not say once that the start gave up"

start_chimely
sleep 0.5
running "$PID" || fault "a start waiting for the lock ended by itself"
started=$(date +%s%N)
kill -TERM "$PID"
finish "$PID" 2
echo "SIGTERM ended a waiting start after $(( ($(date +%s%N) - started) / 1000000 )) ms"
kill "$holder"
wait "$holder" 2> /dev/null || true
passed
