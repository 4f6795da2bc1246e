#!/usr/bin/env bash
# Records one word of the speaking clock: espeak-ng speaks TEXT with the options of voice.txt
# at 22050 Hz mono; the lead-in and tail silence are trimmed so that words join, and the word is
# brought to one loudness so that no word of a sentence stands out or drowns. No dither (-D):
# the same words come out of every build.
# Usage: record-word.sh ESPEAK SOX VOICE-FILE TEXT OUT.wav
set -euo pipefail
espeak=$1 sox=$2 voice_file=$3 text=$4 out=$5
read -r -a voice < "$voice_file"

# RMS level of every word (dB of full scale), and the highest peak allowed.
target_rms=-20
peak_limit=-1
# Quiet below this is silence (-60 dB): low enough to keep the soft onset of a fricative.
threshold=0.1%
# Quiet kept after each word: with the queue's pause and the decoder's delay before the next word,
# the gap a listener hears between words (about 0.18 s); with shorter gaps more spoken times are misheard.
tail=0.08

raw=$out.raw.wav trimmed=$out.trimmed.wav
trap 'rm -f "$raw" "$trimmed"' EXIT
"$espeak" "${voice[@]}" -w "$raw" "$text"
"$sox" -D "$raw" -r 22050 -c 1 -b 16 "$trimmed" silence 1 0.005 $threshold reverse silence 1 0.005 $threshold reverse
read -r rms peak <<< "$("$sox" "$trimmed" -n stats 2>&1 | awk '/^RMS lev dB/ { r = $4 } /^Pk lev dB/ { p = $4 } END { print r, p }')"
gain=$(awk -v t="$target_rms" -v r="$rms" -v p="$peak" -v l="$peak_limit" \
           'BEGIN { g = t - r; if (p + g > l) g = l - p; printf "%.2f", g }')
"$sox" -D "$trimmed" -b 16 "$out" gain "$gain" pad 0 $tail
