#!/bin/bash
# The SDL presenter on a virtual X server. Exit 77 (skipped) where xvfb-run is missing.
if ! command -v xvfb-run >/dev/null; then
    echo "xvfb-run is not installed: SDL smoke test skipped"
    exit 77
fi
exec xvfb-run -a env -u WAYLAND_DISPLAY CHIMELY_VIDEO=sdl "$1"
