#!/bin/bash
# The item library exports exactly its two entries and takes the device layer
# from libchimelyplat.so, shared with the home screen that loads it.
source "$(dirname "$0")/e2e-lib.sh"
LIBRARY=$1

exports=$(nm -D --defined-only "$LIBRARY" | awk '{print $2, $3}' | sort)
expected='T today_dll_main
T today_initialize_custom_item'
[ "$exports" = "$expected" ] || fail "exports:
$exports"
readelf -d "$LIBRARY" | grep -q 'NEEDED.*\[libchimelyplat\.so\]' || fail "libchimelyplat.so is not needed"
# Nothing of the framework, the base library or the alarm engine is visible outside.
if nm -D "$LIBRARY" | grep -E ' [TDBVW] ' | grep -vE ' today_(dll_main|initialize_custom_item)$'; then
    fail "further symbols exported"
fi
echo "today-exports: OK"
