#!/usr/bin/env bash
# wav2mp3 reads WAV files written by other programs: a last chunk of odd size without its pad
# byte must end the chunk walk, not send it past the end of the file.
source "$(dirname "$0")/e2e-lib.sh"
wav2mp3=$1
cd "$ROOT"

sox -D -n -r 22050 -c 1 -b 16 tone.wav synth 1 sine 1000 vol 0.5
printf 'junk\001\000\000\000x' >> tone.wav
"$wav2mp3" tone.wav tone.mp3 32 || fail "wav2mp3 failed on a WAV file ending in an odd-sized chunk"
[ "$(head -c 2 tone.mp3 | od -An -tx1 | tr -d ' ')" = fff3 ] || fail "no MPEG-2 layer III frame at the start"
echo ok
