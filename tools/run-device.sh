#!/usr/bin/env bash
# run-device.sh [BUILD [ARGUMENT...]]: `make run`. Starts Chimely from the device tree that the
# build assembled (BUILD/device, which is then the device root) with the arguments as its command
# line. Every other CHIMELY_* switch of the caller's environment reaches the program unchanged;
# with CHIMELY_VIDEO unset it opens an SDL window when a display is there.
# Started again while it runs, the new start hands its command line to the resident instance,
# which brings its window forward, and ends; the argument "close" ends the resident instance.
set -euo pipefail
build=${1:-build}
shift || true
tree="$build/device"
program="$tree/Program Files/Chimely/Chimely"
if [ ! -x "$program" ]; then
    echo "run-device.sh: $program is not built; run make first." >&2
    exit 1
fi
CHIMELY_ROOT="$(cd "$tree" && pwd)"
export CHIMELY_ROOT
if [ -z "${CHIMELY_VIDEO:-}" ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ $# -eq 0 ]; then
    echo "run-device.sh: no display here, so Chimely runs headless; end it with:" >&2
    echo "    \"$program\" close" >&2
fi
exec "$CHIMELY_ROOT/Program Files/Chimely/Chimely" "$@"
