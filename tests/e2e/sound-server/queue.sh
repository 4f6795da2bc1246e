#!/usr/bin/env bash
# A player queue of ten short sounds through the server: every one is heard, in turn, and the
# queue ends.
# Usage: queue.sh STATE CHIMELY-AUDIO
source "$(dirname "$0")/sound-lib.sh" "$1"
cd "$ROOT"
files=()
for i in $(seq 10); do
    sox -n -r 22050 -c 1 -b 16 "beep$i.wav" synth 0.15 sine $((300 + 50 * i)) vol 0.5 pad 0 0.1   # a quiet tail parts them
    files+=("\\beep$i.wav")
done
record_start queue.wav
started=$(date +%s.%N)
timeout 30 "$2" queue "${files[@]}" || fail "the queue failed or hung ($?)"
took=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
sleep 0.3
record_stop
segments queue.wav > heard.txt
cat heard.txt
echo "ten sounds of 0.25 s in ${took} s; heard $(wc -l < heard.txt)"
[ "$(wc -l < heard.txt)" = 10 ] || fail "heard $(wc -l < heard.txt) sounds, not ten"
awk '{ d = $2 - $1; if (d < 0.11 || d > 0.19) { print "a sound lasted " d " s"; exit 1 } }' heard.txt || fail "a sound was cut"
echo ok
