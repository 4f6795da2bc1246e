#!/bin/bash
# install.sh BUILD_DIR: the installation, staged into a DESTDIR (layout, no
# path of the build tree or of DESTDIR in any file or RUNPATH, MainProgram in
# the template, valid desktop entries), then for real into a temporary prefix:
# the wrappers make each user's root, keep what the user changed, take in an
# updated shipped file, fill a new root once when started together; Chimely
# starts and ends on "close", the home screen shows its item, and the wake-up
# service starts the program at a registered time; the wrappers' usage; the
# removal ends what runs and takes every installed file, leaving the root.
set -euo pipefail
BUILD=$(cd "$1" && pwd)
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
T=$(mktemp -d)
export CHIMELY_VIDEO=headless CHIMELY_AUDIO=null
unset CHIMELY_ROOT CHIMELY_INPUT CHIMELY_NOW
fail() { echo "FAIL: $*" >&2; exit 1; }
wait_until() {
    local tries=$(( $1 * 10 )); shift
    while ! "$@"; do tries=$(( tries - 1 )); [ "$tries" -gt 0 ] || return 1; sleep 0.1; done
}
# Processes of a program (by its command name) running in a root.
running_in() {
    local dir comm
    for dir in /proc/[0-9]*; do
        { read -r comm < "$dir/comm"; } 2>/dev/null || continue
        [ "$comm" = "$2" ] || continue
        { tr '\0' '\n' < "$dir/environ"; } 2>/dev/null | grep -qxF "CHIMELY_ROOT=$1" && echo "${dir#/proc/}"
    done
    return 0
}
is_running() { [ -n "$(running_in "$1" "$2")" ]; }
not_running() { [ -z "$(running_in "$1" "$2")" ]; }
cleanup() {
    # A wrapper still filling a root must not copy from a template that is going.
    kill $(jobs -p) 2>/dev/null || true
    for program in Chimely Bellcue.exe today-host chimely-waker; do
        for root in "$T"/data/chimely "$T"/root2; do
            for pid in $(running_in "$root" "$program"); do kill -9 "$pid" 2>/dev/null || true; done
        done
    done
    rm -rf "$T"
}
trap cleanup EXIT
# A wrapper filling a new root copies hundreds of files: half a minute on a loaded machine. Its
# bound only catches a hang.
wrapper_s=120

# Staged: nothing outside DESTDIR, nothing naming it or the build.
DEST=$T/dest
DESTDIR=$DEST AUTOSTARTDIR= cmake --install "$BUILD" --prefix /opt/chimely > "$T/staged.log"
for path in opt/chimely/bin/chimely opt/chimely/bin/chimely-today opt/chimely/bin/chimely-wake-up \
            opt/chimely/lib/chimely/files.txt "opt/chimely/lib/chimely/device/Program Files/Chimely/Chimely" \
            "opt/chimely/lib/chimely/device/Program Files/Chimely/libchimelyplat.so" \
            "opt/chimely/lib/chimely/device/Program Files/Chimely/skin/Default.skin" \
            opt/chimely/share/applications/chimely.desktop opt/chimely/share/applications/chimely-today.desktop \
            opt/chimely/share/icons/hicolor/scalable/apps/chimely.svg opt/chimely/share/icons/hicolor/48x48/apps/chimely.png \
            etc/xdg/autostart/chimely-wake-up.desktop; do
    [ -e "$DEST/$path" ] || fail "not installed: $path"
done
leaks=$(grep -rlF -e "$DEST" -e "$BUILD" -e "$SOURCE" "$DEST" || true)
[ -z "$leaks" ] || fail "installed files name the build or DESTDIR: $leaks"
while IFS= read -r -d '' file; do
    runpath=$({ readelf -d "$file" 2>/dev/null || true; } | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
    case "$runpath" in ''|'$ORIGIN'|'$ORIGIN/'*) ;; *) fail "RUNPATH of $file: $runpath" ;; esac
done < <(find "$DEST" -type f -print0)
main=$(CHIMELY_ROOT="$DEST/opt/chimely/lib/chimely/device" "$BUILD/tools/chimely-reg" get \
       'HKEY_LOCAL_MACHINE\Software\QEVA\Chimely' MainProgram)
[ "$main" = '\Program Files\Chimely\Chimely' ] || fail "MainProgram of the template: $main"
grep -qx 'Exec=/opt/chimely/bin/chimely' "$DEST/opt/chimely/share/applications/chimely.desktop" || fail "Exec of chimely.desktop"
if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$DEST"/opt/chimely/share/applications/*.desktop "$DEST"/etc/xdg/autostart/*.desktop ||
        fail "desktop entries"
else
    echo "desktop-file-validate missing: entries not validated"
fi

# For real, for a user without a root yet.
P=$T/prefix
AUTOSTARTDIR=$T/autostart cmake --install "$BUILD" --prefix "$P" > "$T/install.log"
cp "$BUILD/install_manifest.txt" "$T/manifest"
# Usage and version, without making a root.
for wrapper in chimely chimely-today chimely-wake-up; do
    XDG_DATA_HOME=$T/none "$P/bin/$wrapper" --help | grep -q "^Usage: $wrapper" || fail "$wrapper --help"
    [ "$(XDG_DATA_HOME=$T/none "$P/bin/$wrapper" --version)" = "$wrapper 1.0.0" ] || fail "$wrapper --version"
    status=0; XDG_DATA_HOME=$T/none "$P/bin/$wrapper" --bogus 2> /dev/null || status=$?
    [ "$status" -eq 2 ] || fail "$wrapper --bogus ended with $status"
done
[ ! -e "$T/none" ] || fail "usage made a root"
[ -f "$T/autostart/chimely-wake-up.desktop" ] || fail "no autostart entry in AUTOSTARTDIR"
export XDG_DATA_HOME=$T/data
ROOT=$T/data/chimely
APP="$ROOT/Program Files/Chimely"
"$P/bin/chimely" &
program=$!
# The wrapper becomes the program once the root is filled.
started_or_ended() { [ "$(cat "/proc/$program/comm" 2>/dev/null)" = Chimely ] || ! kill -0 "$program" 2>/dev/null; }
wait_until $wrapper_s started_or_ended
is_running "$ROOT" Chimely || fail "Chimely did not start from the wrapper"
wait_until 10 test -f "$ROOT/windows/qevachimely.ini" || fail "Chimely did not write its state file"
timeout $wrapper_s "$P/bin/chimely" close || fail "the second start with close failed"
timeout 10 tail --pid="$program" -f /dev/null || fail "Chimely did not end on close"
wait "$program" || fail "Chimely ended with $?"
[ -f "$APP/alarms.ini" ] || fail "Chimely did not write its alarm file in the user's root"
root_complete() {
    while IFS= read -r file; do
        cmp -s "$P/lib/chimely/device/$file" "$1/$file" || return 1
    done < "$P/lib/chimely/files.txt"
}
root_complete "$ROOT" || fail "the user's root lacks shipped files"
cmp -s "$APP/Chimely" "$APP/Bellcue.exe" || fail "no Bellcue.exe"
[ "$(readlink "$APP/chimely-waker")" = "$P/lib/chimely/device/Program Files/Chimely/chimely-waker" ] ||
    fail "the root's wake-up service is not the installed one"
[ "$(CHIMELY_ROOT=$ROOT "$APP/chimely-reg" get 'HKEY_LOCAL_MACHINE\Software\QEVA\Chimely' MainProgram)" = \
  '\Program Files\Chimely\Chimely' ] || fail "MainProgram of the user's root"

# What the user changed stays; an updated shipped file comes in.
echo '<Settings/>' > "$APP/settings.ini"
CHIMELY_ROOT=$ROOT "$APP/chimely-reg" set 'HKEY_LOCAL_MACHINE\Software\QEVA\Chimely' Language sz '\mine.lng'
cp "$APP/alarms.ini" "$T/alarms.before"
printf 'x=1\n' >> "$P/lib/chimely/device/Program Files/Chimely/German.lng"
rm "$APP/English.lng"
timeout $wrapper_s "$P/bin/chimely-wake-up" || fail "the wake-up wrapper with nothing registered"
[ "$(cat "$APP/settings.ini")" = '<Settings/>' ] || fail "the wrapper touched settings.ini"
cmp -s "$APP/alarms.ini" "$T/alarms.before" || fail "the wrapper touched alarms.ini"
[ "$(CHIMELY_ROOT=$ROOT "$APP/chimely-reg" get 'HKEY_LOCAL_MACHINE\Software\QEVA\Chimely' Language)" = '\mine.lng' ] ||
    fail "the wrapper touched the registry"
cmp -s "$APP/German.lng" "$P/lib/chimely/device/Program Files/Chimely/German.lng" || fail "the update was not taken in"
[ -f "$APP/English.lng" ] || fail "a shipped file the user removed was not put back"

# Two first starts at once end with one complete root.
CHIMELY_ROOT=$T/root2 "$P/bin/chimely-wake-up" & first=$!
CHIMELY_ROOT=$T/root2 "$P/bin/chimely-wake-up" & second=$!
wait "$first" && wait "$second" || fail "a wrapper started beside another failed"
root_complete "$T/root2" || fail "two wrappers left an incomplete root"
[ -z "$(find "$T/root2" -name '*.new.*')" ] || fail "temporary files left in the root"

# The home screen shows the item over its background.
printf 'wait 800\nshot %s\n' "$T/host.png" > "$T/host.in"
# The host ends when its input script is done.
CHIMELY_INPUT=$T/host.in timeout $wrapper_s "$P/bin/chimely-today" > "$T/host.log" 2>&1 || true
[ -s "$T/host.png" ] || { cat "$T/host.log" >&2; fail "the home screen took no screenshot"; }

# The wake-up service of the user's root starts the program at its time.
export CHIMELY_NOW="2026-03-07 07:59:58"
CHIMELY_ROOT=$ROOT "$APP/chimely-waker" register '\Program Files\Chimely\Bellcue.exe' "2026-03-07 08:00:00"
"$P/bin/chimely-wake-up" &
wait_until $wrapper_s is_running "$ROOT" Bellcue.exe || fail "the wake-up service did not start the program"
unset CHIMELY_NOW
timeout $wrapper_s "$P/bin/chimely" close || fail "close after the wake-up"
# Its end is the point, not its speed: a loaded machine takes many seconds.
wait_until 60 not_running "$ROOT" Bellcue.exe || fail "the woken program did not end on close"

# make uninstall: what runs of the installation ends, every installed file goes, the user's root stays.
"$P/bin/chimely" &
wait_until $wrapper_s is_running "$ROOT" Chimely || fail "Chimely did not start before the removal"
CHIMELY_ROOT=$ROOT "$APP/chimely-waker" register '\Program Files\Chimely\Bellcue.exe' "2030-01-01 08:00:00"
wait_until 60 is_running "$ROOT" chimely-waker || fail "no wake-up service before the removal"
grep -q ' ' "$T/manifest" || fail "no installed path with a space"
sh "$SOURCE/install/uninstall.sh" "$T/manifest" > "$T/uninstall.log" || fail "uninstall: $(cat "$T/uninstall.log")"
not_running "$ROOT" Chimely && not_running "$ROOT" chimely-waker || fail "programs run on after the removal"
while IFS= read -r file; do
    [ ! -e "$file" ] || fail "left after the removal: $file"
done < "$T/manifest"
[ ! -e "$P/lib/chimely" ] || fail "left after the removal: $(find "$P/lib/chimely" | head -n 3)"
[ -f "$APP/alarms.ini" ] || fail "the removal took the user's alarms"
grep -qF 'rm -r "${XDG_DATA_HOME:-$HOME/.local/share}/chimely"' "$T/uninstall.log" || fail "no word on the user's root"
echo PASS
