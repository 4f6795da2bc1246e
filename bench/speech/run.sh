#!/usr/bin/env bash
# Speech benchmark: how often a speech recogniser understands the spoken time.
# Usage: run.sh BUILD-DIR [--day] [--work DIR] [--jobs N]
# Builds the speaking tool and the speech data in BUILD-DIR (a configured build folder), installs
# the recogniser and its English model when they are missing, then runs speech_bench.py.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: run.sh BUILD-DIR [--day] [--work DIR] [--jobs N]}
shift

missing=$(for p in pocketsphinx pocketsphinx-en-us espeak-ng sox python3; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || echo "$p"; done)
if [ -n "$missing" ]; then
    sudo=$( [ "$(id -u)" = 0 ] || echo sudo )
    echo "Installing missing packages:" $missing
    $sudo apt-get update -q && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q $missing
fi

cmake --build "$build" -j"$(nproc)" --target chimely-audio device_sound_data >/dev/null
exec python3 "$here/speech_bench.py" "$build" "$@"
