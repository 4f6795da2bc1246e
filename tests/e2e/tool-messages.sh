#!/bin/bash
# The tools' messages: outside a device tree and with CHIMELY_ROOT unset, the
# commands that keep device state refuse instead of writing into "/"; a
# missing file is told from a bad one; usage texts name every command; a bad
# CHIMELY_AUDIO warns once.
# Usage: tool-messages.sh TOOLS-DIR
TOOLS=$(cd "${1:?usage: tool-messages.sh TOOLS-DIR}" && pwd)
source "$(dirname "$0")/e2e-lib.sh"
cd "$ROOT"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<Alarms />\n' > alarms.ini

# refuses EXIT-CODE TEXT COMMAND...: the command ends with that code, saying TEXT on standard error.
refuses() {
    local code=$1 text=$2 status=0; shift 2
    "$@" < /dev/null > out.txt 2> err.txt || status=$?
    [ "$status" = "$code" ] || fail "$*: status $status, not $code ($(cat err.txt))"
    grep -qF -- "$text" err.txt || fail "$*: no '$text' in: $(cat err.txt)"
}

windows_before=$([ -e /windows ] && echo yes || echo no)
(
    unset CHIMELY_ROOT
    refuses 2 "no device root" "$TOOLS/chimely-alarm" sim "$ROOT/alarms.ini"
    refuses 2 "no device root" "$TOOLS/chimely-waker" register '\Program Files\Chimely\Bellcue.exe' "2030-01-01 08:00:00"
    refuses 2 "no device root" "$TOOLS/chimely-waker"
    refuses 2 "no device root" "$TOOLS/chimely-waker" list
    refuses 1 "no device root" "$TOOLS/chimely-reg" set 'HKEY_CURRENT_USER\Software\QEVA' Log dword 1
    # Reading alarms needs no root: ordinary paths work as they are.
    "$TOOLS/chimely-alarm" next "$ROOT/alarms.ini" > /dev/null || fail "next without a root"
)
[ "$windows_before" = yes ] || [ ! -e /windows ] || fail "a tool wrote /windows"

refuses 1 "no such file" "$TOOLS/chimely-alarm" next '\missing.ini'
refuses 1 "no such file" "$TOOLS/chimely-audio" info '\missing.wav'
refuses 1 "no such file" "$TOOLS/chimely-base" lng '\missing.lng' key
echo 'not a sound' > bad.wav
refuses 1 "not a sound file" "$TOOLS/chimely-audio" info '\bad.wav'

refuses 2 "usage" "$TOOLS/chimely-audio"
for command in info decode convert encode mp3info play queue record record-note speak; do
    grep -Eq "^ +(usage: )?chimely-audio $command " err.txt || grep -Eq "^usage: chimely-audio $command " err.txt ||
        fail "chimely-audio's usage lacks $command"
done
refuses 2 "usage" "$TOOLS/chimely-waker" unknown
for command in register cancel list status; do
    grep -q "chimely-waker $command" err.txt || fail "chimely-waker's usage lacks $command"
done

# A bad audio switch: one warning however often a device opens; the program goes on.
sox -n -r 8000 -c 1 -b 16 short.wav trim 0 0.05
CHIMELY_AUDIO=oss "$TOOLS/chimely-audio" queue '\short.wav' '\short.wav' > /dev/null 2> err.txt ||
    fail "queue with a bad CHIMELY_AUDIO: $(cat err.txt)"
[ "$(grep -c '^CHIMELY_AUDIO=oss is neither alsa nor null' err.txt)" = 1 ] || fail "CHIMELY_AUDIO warnings: $(cat err.txt)"
echo PASS
