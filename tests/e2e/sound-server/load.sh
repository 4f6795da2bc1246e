#!/usr/bin/env bash
# The chime and the spoken time through the server while a CPU hog runs and while the server is
# held up (stopped) for 150 ms at the end of the sound: the sink's monitor hears each sound at its
# recording's length, within 20 ms, with no hole longer than 10 ms, in every run.
# Usage: load.sh STATE CHIMELY-AUDIO DEVICE-TREE E2E-HEARD [RUNS [HOG-WORKERS]]; no hog with 0 workers.
source "$(dirname "$0")/sound-lib.sh" "$1"
audio=$2
heard=$4
runs=${5:-20}
workers=${6:-16}
cp -r "$3/Program Files" "$ROOT/"
cd "$ROOT"
command -v stress-ng > /dev/null || fail "stress-ng is not installed"
# The server that the client talks to is held up, and the listener, its client too, with it. (Holding up
# PipeWire's graph as well tests the graph: its null sink renders the time it missed in a burst, faster
# than its pulse layer feeds it, and its sound has holes that no client can prevent.)
server=$(cat "$1/server")
words="its n7 n15"   # 07:15

HOG=
PAUSER=
finish() {
    [ -n "$PAUSER" ] && kill "$PAUSER" 2> /dev/null
    kill -CONT "$server" 2> /dev/null
    [ -n "$HOG" ] && kill "$HOG" 2> /dev/null && wait "$HOG" 2> /dev/null
    [ -n "$REC_PID" ] && kill "$REC_PID" 2> /dev/null
    cleanup
}
trap finish EXIT

# Each sound as decoded from its file, at the recording's rate, and where its loud part ends.
reference() {
    "$audio" decode "$1" "\\$2.wav" || fail "cannot decode $1"
    sox "$2.wav" -r $RATE -c 1 -b 16 -e signed -t raw "$2.raw"
    segments "$2.wav" | awk 'END { print $2 }' > "$2.end"
}
reference '\Program Files\Chimely\sounds\chime.wav' chime
for word in $words; do
    reference "\\Program Files\\Chimely\\data\\English\\$word.mp3" "$word"
done

# play NAME SESSION REFS COMMAND...: records the sink while COMMAND plays; 75 ms before the loud
# end of its SESSION-th sound (by the dump's log of opened sessions) the server stops for 150 ms.
# Prints and checks what was heard of each reference.
play() {
    local name=$1 session=$2 refs=$3 at
    shift 3
    local dump=$ROOT/dump.$name
    rm -rf "$dump" && mkdir "$dump"
    at=$(awk -v e="$(cat "${refs##* }.end")" 'BEGIN { print e - 0.075 }')
    record_start "heard-$name.wav"
    (
        until [ "$(cat "$dump/log.txt" 2> /dev/null | grep -c '^open')" -ge "$session" ]; do sleep 0.005; done
        sleep "$at"
        kill -STOP "$server"
        sleep 0.15
        kill -CONT "$server"
    ) &
    PAUSER=$!
    CHIMELY_AUDIO_DUMP=$dump timeout 30 "$@" || fail "$name failed or hung ($?)"
    wait "$PAUSER" || true
    PAUSER=
    sleep 0.3
    record_stop
    local files=()
    for ref in $refs; do files+=("$ref.raw"); done
    "$heard" $RATE "heard-$name.wav.raw" "${files[@]}" > "$name.heard" || fail "$name: $(cat "$name.heard")"
    paste -d ' ' <(printf '%s\n' $refs) "$name.heard" | awk -v run="$run" -v name="$name" '
        { d = ($3 - $4) * 1000; printf "run %d %s %s: heard %.3f s of %.3f s (%+.0f ms), longest hole %d ms\n", run, name, $1, $3, $4, d, $5
          if (d < -20 || d > 20 || $5 > 10) bad = 1 }
        END { exit bad }' | tee -a figures.txt
    return "${PIPESTATUS[1]}"
}

if [ "$workers" -gt 0 ]; then
    stress-ng --cpu "$workers" --timeout 600s --quiet &
    HOG=$!
fi
failed=0
for run in $(seq "$runs"); do
    play chime 1 chime "$audio" play '\Program Files\Chimely\sounds\chime.wav' || failed=$((failed + 1))
    play speak 3 "$words" "$audio" speak '\Program Files\Chimely\data\English\English.script' 07:15 || failed=$((failed + 1))
done
[ -z "$HOG" ] || { kill "$HOG" && wait "$HOG" 2> /dev/null; }
HOG=
awk '{ gsub(/[(),]/, ""); d = $11 < 0 ? -$11 : $11; if (d > worst) worst = d; if ($15 > hole) hole = $15 }
     END { printf "%d sounds in %d runs: the furthest from its recording by %d ms, the longest hole %d ms\n", NR, '"$runs"', worst, hole }' figures.txt
[ "$failed" = 0 ] || fail "$failed of $((2 * runs)) plays were not heard whole"
echo ok
