#!/bin/bash
# skin-lint LINT APP_DIR: every form class of the program (chimely-skinlint list) builds on every
# skin shipped for it in APP_DIR (the built "%app_path%": application skins under skin/, the dialogs
# skin dialogs.skin) at each screen size and device profile, one process per case, in a root that
# holds a copy of the tree's skins and language files. A failing case is named with its report.
source "$(dirname "$0")/e2e-lib.sh"
LINT=$1 APP=$2
SIZES="176x220 240x320 480x640 128x160"   # the last is below every design size
PROFILES="pocketpc pocketpc-old smartphone"

app="$ROOT/Program Files/Chimely"
mkdir -p "$app"
[ -d "$APP/skin" ] || fail "no application skin folder in $APP"
cp -r "$APP/skin" "$app/"
cp "$APP"/*.lng "$app/"
# The dialogs skin keeps its pictures in the folder dialogs/ beside it.
[ -f "$APP/dialogs.skin" ] && cp "$APP/dialogs.skin" "$app/"
[ -d "$APP/dialogs" ] && cp -r "$APP/dialogs" "$app/"

mapfile -t application_skins < <(cd "$app" && find skin -name '*.skin' | LC_ALL=C sort)
[ "${#application_skins[@]}" -gt 0 ] || fail "no .skin file under $APP/skin"
"$LINT" list > "$ROOT/classes" || fail "chimely-skinlint list failed"

# The lint itself: a form built on a skin that lacks it ends with the fatal report.
rc=0
"$LINT" '\Program Files\Chimely\skin\none.skin' "$(head -n1 "$ROOT/classes" | cut -d' ' -f1)" 240x320 pocketpc \
    > "$ROOT/out" 2>&1 || rc=$?
[ "$rc" = 70 ] || fail "a form on a missing skin ended with $rc, not the fatal report"

cases=0 failures=0
while read -r class skin_kind; do
    if [ "$skin_kind" = dialogs ]; then
        skins=(dialogs.skin)
        [ -f "$app/dialogs.skin" ] || { echo "$class: no dialogs.skin in $APP" >&2; failures=$((failures + 1)); continue; }
    else
        skins=("${application_skins[@]}")
    fi
    for skin in "${skins[@]}"; do
        device_skin="\\Program Files\\Chimely\\${skin//\//\\}"
        for size in $SIZES; do
            for profile in $PROFILES; do
                lint_case "$class on $skin at $size $profile" \
                    timeout 30 "$LINT" "$device_skin" "$class" "$size" "$profile"
            done
        done
    done
done < "$ROOT/classes"
echo "skin lint: $cases cases, $failures failed"
[ "$failures" = 0 ] || fail "forms that do not build on a shipped skin"
