#!/usr/bin/env bash
# A sound stopped early by reset: the server stops playing it soon after, and reset and close
# return without waiting for the sound. Then a chime plays to its end and the command ends.
# Usage: chime-reset.sh STATE WAVE-RESET CHIMELY-AUDIO DEVICE-TREE
source "$(dirname "$0")/sound-lib.sh" "$1"
cp -r "$4/Program Files" "$ROOT/"
cd "$ROOT"

record_start reset.wav
timeout 20 "$2" || fail "reset or close broke a bound, or hung ($?)"
sleep 0.5
record_stop
segments reset.wav > heard.txt
cat heard.txt
[ "$(wc -l < heard.txt)" = 1 ] || fail "heard $(wc -l < heard.txt) sounds"
read -r s e < heard.txt
# Written at once, reset after 0.5 s: what is heard ends within the device's latency of the reset.
awk -v d="$(awk -v s="$s" -v e="$e" 'BEGIN { print e - s }')" 'BEGIN { exit !(d > 0.3 && d < 0.8) }' ||
    fail "the tone lasted $s..$e s, not about half a second of its three"

"$3" decode '\Program Files\Chimely\sounds\chime.wav' '\ref.wav'
record_start chime.wav
timeout 20 "$3" play '\Program Files\Chimely\sounds\chime.wav' || fail "play failed or hung ($?)"
sleep 0.3
record_stop
read -r rs re <<< "$(segments ref.wav | awk 'NR == 1 { s = $1 } { e = $2 } END { print s, e }')"
read -r cs ce <<< "$(segments chime.wav | awk 'NR == 1 { s = $1 } { e = $2 } END { print s, e }')"
echo "chime heard $cs..$ce s, recorded $rs..$re s"
awk -v a="$(awk -v s="$cs" -v e="$ce" 'BEGIN { print e - s }')" -v b="$(awk -v s="$rs" -v e="$re" 'BEGIN { print e - s }')" \
    'BEGIN { exit !(a - b > -0.04 && a - b < 0.04) }' || fail "the chime was not heard whole"
echo ok
