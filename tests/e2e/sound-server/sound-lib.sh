# Shared by the scripts that play and record through the private sound server of start.sh:
# a fresh device root, the server's environment, recording its sink's monitor, finding sounds.
# Usage: source sound-lib.sh STATE; exits 77 (a skip) when the server is unavailable.
state=$1
if [ -f "$state/skip" ]; then
    echo "SKIP: $(cat "$state/skip")"
    exit 77
fi
[ -f "$state/env" ] || { echo "FAIL: no sound server was started ($state)" >&2; exit 1; }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e-lib.sh"
source "$state/env"
export CHIMELY_AUDIO=alsa
RATE=22050
REC_PID=
trap '[ -n "$REC_PID" ] && kill "$REC_PID" 2> /dev/null; cleanup' EXIT

# record_start FILE: records the sink's monitor (what the server plays) until record_stop.
record_start() {
    REC=$1
    parec --latency-msec=10 --format=s16le --rate=$RATE --channels=1 -d "$(pactl get-default-sink).monitor" > "$REC.raw" 2> "$REC.log" &
    REC_PID=$!
    # Recording once a tenth of a second has arrived.
    wait_until 5 recording || fail "the sink's monitor gives nothing"
}
recording() { [ "$(stat -c %s "$REC.raw" 2> /dev/null || echo 0)" -ge $((RATE / 5)) ]; }
# record_stop: ends the recording; REC_END is the wall-clock time of its last sample.
record_stop() {
    REC_END=$(date +%s.%N)
    kill "$REC_PID"
    wait "$REC_PID" 2> /dev/null || true
    REC_PID=
    sox -t raw -r $RATE -e signed -b 16 -c 1 "$REC.raw" "$REC"
}
# wall_to_seconds TIME: where a wall-clock time lies in the last recording.
wall_to_seconds() {
    awk -v end="$REC_END" -v t="$1" -v n="$(soxi -D "$REC")" 'BEGIN { printf "%.3f", n - (end - t) }'
}

# segments FILE: "start end" in seconds of each sound in the file: 10 ms windows louder than
# -40 dB, joined across quiet of less than 60 ms.
segments() {
    sox "$1" -r $RATE -c 1 -t dat - | awk -v win=$((RATE / 100)) -v rate=$RATE '
        /^;/ { next }
        { sum += $2 * $2; if (++n == win) { loud[w++] = sqrt(sum / n) > 0.01; sum = 0; n = 0 } }
        END {
            on = -1; last = -100
            for (i = 0; i < w; i++) if (loud[i]) {
                if (on < 0) on = i
                else if (i - last > 6) { printf "%.3f %.3f\n", on * win / rate, (last + 1) * win / rate; on = i }
                last = i
            }
            if (on >= 0) printf "%.3f %.3f\n", on * win / rate, (last + 1) * win / rate
        }'
}
