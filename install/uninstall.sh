#!/bin/sh
# uninstall.sh MANIFEST: removes what `make install` put there, as listed one
# path a line in MANIFEST (install_manifest.txt; paths may hold spaces), below
# $DESTDIR when the installation was staged there. The programs of an
# installation in place end first; the folders of lib/chimely go once empty,
# the caches that the installation refreshed are refreshed again; each user's
# device root stays.
set -eu
manifest=$1
[ -f "$manifest" ] || { echo "nothing to uninstall: $manifest is missing (make install writes it)" >&2; exit 1; }
dest=${DESTDIR:-}
lib=$(sed -n 's#/stop-running$##p' "$manifest" | head -n 1)
[ -z "$lib" ] || lib=$dest$lib
if [ -z "$dest" ] && [ -n "$lib" ] && [ -x "$lib/stop-running" ]; then
    "$lib/stop-running"
fi
removed=0
while IFS= read -r file; do
    [ -n "$file" ] || continue
    file=$dest$file
    if [ -e "$file" ] || [ -L "$file" ]; then
        rm -f -- "$file"
        removed=$((removed + 1))
    fi
done < "$manifest"
[ -z "$lib" ] || [ ! -d "$lib" ] || find "$lib" -depth -type d -empty -delete
echo "Removed $removed installed files."
share=${lib%/lib/chimely}/share
if [ -n "$lib" ] && [ -d "$share" ]; then
    if command -v update-desktop-database > /dev/null && [ -d "$share/applications" ]; then
        update-desktop-database -q "$share/applications" || true
    fi
    if command -v gtk-update-icon-cache > /dev/null && [ -f "$share/icons/hicolor/icon-theme.cache" ]; then
        gtk-update-icon-cache -q -t -f "$share/icons/hicolor" || true
    fi
fi
cat <<'TELL'
Each user's own device root stays: it holds their alarms, settings and voice
notes. A user who wants it gone deletes it:
    rm -r "${XDG_DATA_HOME:-$HOME/.local/share}/chimely"
(or the folder named by CHIMELY_ROOT, when they set it).
TELL
