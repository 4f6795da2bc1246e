#!/usr/bin/env bash
# The PipeWire half of start.sh: a private session bus (the session manager needs one), the graph,
# its session manager and its pulse server; no devices. Usage: start-pipewire.sh DIR STATE, with
# start.sh's environment.
set -euo pipefail
dir=$1
state=$2
command -v dbus-daemon > /dev/null || { echo "dbus-daemon is not installed" > "$state/skip"; exit 0; }
# The session manager takes no devices: a desktop's sound cards and cameras stay with its own server.
for part in main bluetooth; do
    mkdir -p "$XDG_CONFIG_HOME/wireplumber/$part.lua.d"
done
cat > "$XDG_CONFIG_HOME/wireplumber/main.lua.d/51-no-devices.lua" <<'LUA'
alsa_monitor.enabled = false
v4l2_monitor.enabled = false
libcamera_monitor.enabled = false
LUA
echo 'bluez_monitor.enabled = false' > "$XDG_CONFIG_HOME/wireplumber/bluetooth.lua.d/51-no-devices.lua"
dbus-daemon --config-file=/usr/share/dbus-1/session.conf --address="unix:path=$dir/runtime/bus" \
    --nofork --nopidfile > "$dir/dbus.log" 2>&1 < /dev/null &
echo $! >> "$state/pid"
export DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/runtime/bus
for _ in $(seq 50); do [ -S "$dir/runtime/bus" ] && break; sleep 0.1; done
pipewire > "$dir/pipewire.log" 2>&1 < /dev/null &
echo $! >> "$state/pid"
for _ in $(seq 50); do [ -S "$dir/runtime/pipewire-0" ] && break; sleep 0.1; done
wireplumber > "$dir/wireplumber.log" 2>&1 < /dev/null &
echo $! >> "$state/pid"
pipewire-pulse > "$dir/pipewire-pulse.log" 2>&1 < /dev/null &
echo $! >> "$state/pid"
echo $! >> "$state/server"
