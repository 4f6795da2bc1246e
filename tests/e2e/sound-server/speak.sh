#!/usr/bin/env bash
# The spoken time through ALSA's default device into the server's sink: each word is heard, in
# order, at its own length, with a bounded gap between words; the command ends.
# Usage: speak.sh STATE CHIMELY-AUDIO DEVICE-TREE
source "$(dirname "$0")/sound-lib.sh" "$1"
audio=$2
cp -r "$3/Program Files" "$ROOT/"
words="its n7 n15"   # 07:15: "its" h7 m15
cd "$ROOT"

# Each word as recorded: its sound's length and the quiet before and after it.
declare -A length lead tail
for word in $words; do
    "$audio" decode "\\Program Files\\Chimely\\data\\English\\$word.mp3" "\\$word.wav" || fail "cannot decode $word"
    read -r first last <<< "$(segments "$word.wav" | awk 'NR == 1 { s = $1 } { e = $2 } END { print s, e }')"
    length[$word]=$(awk -v a="$first" -v b="$last" 'BEGIN { print b - a }')
    lead[$word]=$first
    tail[$word]=$(awk -v b="$last" -v d="$(soxi -D "$word.wav")" 'BEGIN { print d - b }')
    [ "$(segments "$word.wav" | wc -l)" = 1 ] || fail "$word is not one sound by itself"
done

record_start spoken.wav
started=$(date +%s.%N)
timeout 30 "$audio" speak '\Program Files\Chimely\data\English\English.script' 07:15 || fail "speak failed or hung ($?)"
ended=$(date +%s.%N)
sleep 0.3
record_stop
segments spoken.wav > heard.txt
cat heard.txt
[ "$(wc -l < heard.txt)" = 3 ] || fail "heard $(wc -l < heard.txt) sounds, not the three words"

i=0
prev_end=
prev_word=
for word in $words; do
    i=$((i + 1))
    read -r s e <<< "$(sed -n "${i}p" heard.txt)"
    awk -v s="$s" -v e="$e" -v want="${length[$word]}" 'BEGIN { d = e - s - want; exit !(d > -0.04 && d < 0.04) }' ||
        fail "$word lasted $s..$e, its recording ${length[$word]} s"
    if [ -z "$prev_end" ]; then
        latency=$(awk -v s="$s" -v at="$(wall_to_seconds "$started")" -v lead="${lead[$word]}" 'BEGIN { printf "%.3f", s - lead - at }')
        echo "start latency ${latency} s (from the command's start to the first word's first sample)"
    else
        # The gap less the quiet that the two recordings hold themselves.
        gap=$(awk -v s="$s" -v p="$prev_end" -v t="${tail[$prev_word]}" -v l="${lead[$word]}" 'BEGIN { printf "%.3f", s - p - t - l }')
        echo "gap $prev_word -> $word: ${gap} s beyond the recordings' own quiet"
        awk -v g="$gap" 'BEGIN { exit !(g > -0.04 && g < 0.6) }' || fail "gap $prev_word -> $word of $gap s"
    fi
    prev_end=$e
    prev_word=$word
done
echo "command took $(awk -v a="$started" -v b="$ended" 'BEGIN { printf "%.2f", b - a }') s"
echo ok
