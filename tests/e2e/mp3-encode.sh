#!/usr/bin/env bash
# Our MP3 encoder, checked by an independent decoder: 10 s of a 1 kHz sine at 22050 Hz mono,
# 32 kbit/s, must give MPEG-2 layer III frames of 104/105 bytes that mpg123 decodes without a
# warning to 1 kHz, full length, at a good signal-to-noise ratio.
source "$(dirname "$0")/e2e-lib.sh"
audio=$1
cd "$ROOT"

sox -D -n -r 22050 -c 1 -b 16 sine.wav synth 10 sine 1000 vol 0.5
"$audio" encode sine.wav out.mp3 32 || fail "encode failed"

"$audio" mp3info out.mp3 > info.txt || fail "mp3info failed"
frames=$(grep -c '^[0-9]' info.txt)
[ "$frames" -ge 380 ] || fail "only $frames frames"
grep '^[0-9]' info.txt | grep -v ' version=2 layer=3 rate=22050 kbps=32 ' && fail "a frame is not MPEG-2 layer III 22050 Hz 32 kbit/s"
grep '^[0-9]' info.txt | grep -Ev 'padding=0 length=104$|padding=1 length=105$' && fail "a frame has the wrong length"

mpg123 -w dec.wav out.mp3 2> mpg123.txt || fail "mpg123 refused the file"
grep -iE 'warning|error|problem' mpg123.txt && fail "mpg123 complained"

samples=$(soxi -s dec.wav)
[ "$samples" -ge 220500 ] || fail "decoded $samples samples, fewer than the 220500 put in"
freq=$(sox dec.wav -n stat 2>&1 | awk '/Rough/ {print $3}')
[ "$freq" -ge 980 ] && [ "$freq" -le 1020 ] || fail "dominant frequency $freq Hz"

# The encoder and decoder delay together is 1105 samples; the rest is noise.
sox dec.wav aligned.wav trim 1105s 220500s
sox -m -v 1 sine.wav -v -1 aligned.wav diff.wav
signal=$(sox sine.wav -n stat 2>&1 | awk '/RMS     amplitude/ {print $3}')
noise=$(sox diff.wav -n stat 2>&1 | awk '/RMS     amplitude/ {print $3}')
snr=$(awk -v s="$signal" -v n="$noise" 'BEGIN { printf "%d", 20 * log(s / n) / log(10) }')
echo "frames=$frames samples=$samples freq=$freq snr=${snr}dB"
[ "$snr" -ge 20 ] || fail "signal-to-noise ratio ${snr} dB"

# Silence decodes to silence.
sox -D -n -r 22050 -c 1 -b 16 quiet.wav trim 0 2   # -D: no dither, true silence
"$audio" encode quiet.wav quiet.mp3 32 || fail "encode of silence failed"
mpg123 -q -w quiet-dec.wav quiet.mp3
peak=$(sox quiet-dec.wav -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
[ "$peak" = "0.000000" ] || fail "silence decoded with peak $peak"
echo ok
