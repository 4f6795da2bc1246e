#!/usr/bin/env bash
# The spoken time end to end: each played word is as loud as the others and nothing is clipped.
# Usage: speech-level.sh CHIMELY-AUDIO DEVICE-TREE
source "$(dirname "$0")/e2e-lib.sh"
audio=$1
cp -r "$2/Program Files" "$ROOT/"
script='\Program Files\Chimely\data\English\English.script'
# Largest difference between the loudest and the quietest word (dB RMS).
spread_limit=3

# RMS and peak (dB of full scale) of a played word, its silence around it left out.
word_levels() {
    sox "$1" -p silence 1 0.005 0.1% reverse silence 1 0.005 0.1% reverse |
        sox - -n stats 2>&1 | awk '/^RMS lev dB/ { r = $4 } /^Pk lev dB/ { p = $4 } END { print r, p }'
}

: > "$ROOT/levels.txt"
for time in 07:15 00:00 13:48 06:05 21:37; do
    dump=$ROOT/dump-${time/:/}
    mkdir "$dump"
    CHIMELY_AUDIO_DUMP=$dump timeout 30 "$audio" speak "$script" "$time" || fail "speak $time failed ($?)"
    played=$(ls "$dump"/*.wav | wc -l)
    [ "$played" -ge 3 ] || fail "$time played $played sounds"
    for wav in "$dump"/*.wav; do
        read -r rms peak <<< "$(word_levels "$wav")"
        echo "$time $(basename "$wav") rms $rms peak $peak" | tee -a "$ROOT/levels.txt"
        awk -v p="$peak" 'BEGIN { exit !(p < -0.1) }' || fail "$time $(basename "$wav") clips (peak $peak dB)"
    done
done
awk -v limit="$spread_limit" '
    NR == 1 || $4 < lo { lo = $4 } NR == 1 || $4 > hi { hi = $4 }
    END { printf "word levels %.2f .. %.2f dB RMS\n", lo, hi; exit !(hi - lo <= limit) }' "$ROOT/levels.txt" ||
    fail "the words differ by more than $spread_limit dB RMS"
echo ok
