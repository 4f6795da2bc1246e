#!/usr/bin/env bash
# Starts a private sound server for the tests that play and record through ALSA's default device,
# as a desktop has it: ALSA's pulse plugin in front of a server whose only sink is a null sink.
# Usage: start.sh STATE [pulseaudio|pipewire]. STATE receives "env" (what the tests export), "pid",
# "server" (the process id of the server that the clients talk to) and "dir"; or "skip" with the
# reason when no server can be started here.
set -euo pipefail
state=$1
kind=${2:-pulseaudio}
# A server that an interrupted run left behind goes first.
"$(dirname "$0")/stop.sh" "$state"
mkdir -p "$state"

skip() { echo "$*" > "$state/skip"; echo "sound server unavailable: $*"; exit 0; }

case $kind in
pulseaudio) need="pulseaudio pactl parec" ;;
pipewire) need="pipewire pipewire-pulse wireplumber pactl parec" ;;
*) echo "unknown sound server $kind" >&2; exit 2 ;;
esac
for tool in $need; do
    command -v "$tool" > /dev/null || skip "$tool is not installed"
done
[ -e /usr/lib/x86_64-linux-gnu/alsa-lib/libasound_module_pcm_pulse.so ] ||
    ls /usr/lib/*/alsa-lib/libasound_module_pcm_pulse.so > /dev/null 2>&1 ||
    skip "ALSA's pulse plugin (libasound2-plugins) is not installed"

# A short path: the server's socket must fit a Unix socket address.
dir=$(mktemp -d /tmp/chimely-sound.XXXXXX)
echo "$dir" > "$state/dir"
mkdir -p "$dir/home" "$dir/runtime"
chmod 700 "$dir/runtime"

# The tests' own ALSA and client configuration; the user's files are never read.
cat > "$dir/asound.conf" <<CONF
pcm.!default { type pulse }
ctl.!default { type pulse }
pcm.null { type null }
CONF
printf 'autospawn = no\n' > "$dir/client.conf"

socket=$dir/runtime/native   # both servers put it in PULSE_RUNTIME_PATH
cat > "$state/env" <<ENV
export PULSE_SERVER=unix:$socket
export PULSE_CLIENTCONFIG=$dir/client.conf
export ALSA_CONFIG_PATH=$dir/asound.conf
export CHIMELY_SOUND_SERVER=$kind
ENV

export HOME=$dir/home XDG_RUNTIME_DIR=$dir/runtime PULSE_RUNTIME_PATH=$dir/runtime
export XDG_CONFIG_HOME=$dir/home/.config PULSE_CLIENTCONFIG=$dir/client.conf
# Nothing may lead the private server to a desktop's own: not its bus, its sockets or its configuration.
unset DBUS_SESSION_BUS_ADDRESS PULSE_SERVER PULSE_COOKIE PULSE_SINK PULSE_SOURCE
unset PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR PIPEWIRE_CONFIG_DIR PIPEWIRE_CONFIG_NAME PIPEWIRE_CONFIG_PREFIX
case $kind in
pulseaudio)
    # Root is allowed (with the server's own warning); no network, no device modules.
    pulseaudio --system=false -n --daemonize=no --exit-idle-time=-1 --disallow-exit=no \
        --log-target=file:"$dir/server.log" --log-level=notice \
        -L "module-null-sink sink_name=chimely_null rate=44100 channels=2" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$socket" \
        < /dev/null > "$dir/stdout.log" 2>&1 &
    echo $! > "$state/pid"
    echo $! > "$state/server"
    ;;
pipewire)
    "$(dirname "$0")/start-pipewire.sh" "$dir" "$state"
    ;;
esac

export PULSE_SERVER=unix:$socket
for _ in $(seq 100); do
    if pactl info > /dev/null 2>&1; then
        if [ "$kind" = pipewire ]; then
            # The pulse layer answers before it can load modules ("Not supported" until then).
            for _ in $(seq 100); do
                pactl load-module module-null-sink sink_name=chimely_null rate=44100 channels=2 > /dev/null 2>&1 && break
                sleep 0.1
            done
            for _ in $(seq 50); do
                pactl list short sinks 2> /dev/null | grep -qw chimely_null && break
                sleep 0.1
            done
            pactl set-default-sink chimely_null
            [ "$(pactl get-default-sink)" = chimely_null ] || { echo "the null sink did not come up" >&2; exit 1; }
        fi
        pactl info | grep -E 'Server Name|Default S'
        # An idle null sink renders in blocks of seconds, where a sound card keeps its period: a
        # low-latency listener on its monitor keeps it rendering as a desktop's sink does.
        parec --latency-msec=10 -d "$(pactl get-default-sink).monitor" > /dev/null 2>&1 < /dev/null &
        echo $! >> "$state/pid"
        # Ready once a listener gets the sink's sound in real time.
        for _ in $(seq 20); do
            bytes=$(timeout 0.5 parec --latency-msec=10 --format=s16le --rate=8000 --channels=1 | wc -c || true)
            [ "$bytes" -ge 6000 ] && exit 0
        done
        echo "the sound server's sink does not run in real time" >&2
        exit 1
    fi
    sleep 0.1
done
echo "the sound server did not come up" >&2
cat "$dir"/*.log >&2 || true
exit 1
