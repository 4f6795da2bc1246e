#!/usr/bin/env bash
# Starts Chimely on the device tree that the build assembled; until the program exists,
# runs the base library's demo program there instead and says so.
set -euo pipefail
build=${1:-build}
root="$build/device"
program="$root/Program Files/Chimely/Chimely"
if [ -x "$program" ]; then
    exec env CHIMELY_ROOT="$(cd "$root" && pwd)" "$program"
fi
echo "Chimely itself is not built yet; running the base library demo in $root instead."
mkdir -p "$root"
export CHIMELY_ROOT="$(cd "$root" && pwd)"
if [ -x "$build/tools/chimely-base" ]; then
    "$build/tools/chimely-base" ts 2026 3 7 6 5 0 add-days 1
    "$build/tools/chimely-base" dow 2026 3 7
    exec "$build/tools/chimely-base" timers 0.5 1 1.5
fi
echo "No demo program was built either (see $build/tools)." >&2
exit 1
