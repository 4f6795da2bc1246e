#!/usr/bin/env bash
# A recording from the server's default source (its sink's monitor) while a tone plays into the
# sink: the file holds the seconds asked for, within one recorder buffer, and the tone.
# Usage: record.sh STATE CHIMELY-AUDIO
source "$(dirname "$0")/sound-lib.sh" "$1"
cd "$ROOT"
sox -n -r 44100 -c 2 -b 16 tone.wav synth 6 sine 440 vol 0.5
paplay tone.wav &
player=$!
sleep 0.5
timeout 20 "$2" record '\mic.wav' PCM 2 || fail "record failed or hung ($?)"
kill "$player" 2> /dev/null || true
wait "$player" 2> /dev/null || true
length=$(soxi -D mic.wav)
freq=$(sox mic.wav -n stat 2>&1 | awk '/Rough/ { print $3 }')
quiet=$(segments mic.wav | awk '{ heard += $2 - $1 } END { printf "%.3f", '"$length"' - heard }')
echo "recorded ${length} s of 2 (error $(awk -v l="$length" 'BEGIN { printf "%+.3f", l - 2 }') s), ${freq} Hz, ${quiet} s without the tone"
# One buffer is 5000 frames at 22050 Hz.
awk -v l="$length" 'BEGIN { exit !(l > 2 - 5000 / 22050 && l < 2 + 5000 / 22050) }' || fail "recorded $length s for 2"
[ "$freq" -ge 430 ] && [ "$freq" -le 450 ] || fail "the tone is at $freq Hz"
awk -v q="$quiet" 'BEGIN { exit !(q < 0.1) }' || fail "$quiet s of the recording miss the tone"
echo ok
