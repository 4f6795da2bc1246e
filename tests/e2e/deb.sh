#!/bin/bash
# deb.sh BUILD_DIR: the Debian package of the installed layout, with its
# dependencies found from the linked libraries, the capability step after
# installation, its documents, manual pages, conffile and removal step, and no
# lintian error; skipped where Debian's packaging tools are missing.
set -euo pipefail
BUILD=$(cd "$1" && pwd)
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in dpkg-deb dpkg-shlibdeps fakeroot; do
    command -v "$tool" > /dev/null || { echo "SKIP: $tool missing"; exit 0; }
done
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
(cd "$BUILD" && cpack -G DEB -B "$T" > "$T/cpack.log") || { cat "$T/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$T"/chimely_*.deb)
dpkg-deb -x "$deb" "$T/x"
dpkg-deb -e "$deb" "$T/control"
for path in usr/bin/chimely usr/bin/chimely-today usr/bin/chimely-wake-up usr/share/applications/chimely.desktop \
            "usr/lib/chimely/device/Program Files/Chimely/Chimely" etc/xdg/autostart/chimely-wake-up.desktop; do
    [ -e "$T/x/$path" ] || fail "not in the package: $path"
done
leaks=$(grep -rlF -e "$T" -e "$BUILD" -e "$SOURCE" "$T/x" || true)
[ -z "$leaks" ] || fail "packaged files name the build: $leaks"
grep -q '^Depends:.*libsdl2' "$T/control/control" || fail "dependencies not found from the libraries: $(cat "$T/control/control")"
grep -q 'setcap cap_wake_alarm+ep' "$T/control/postinst" || fail "no capability step after installation"
grep -qx 'Exec=/usr/bin/chimely' "$T/x/usr/share/applications/chimely.desktop" || fail "Exec of the packaged entry"

# What Debian asks of a package: its documents, manual pages, the autostart entry a conffile,
# the programs of its users ended before removal, libraries not executable.
for path in usr/share/doc/chimely/copyright usr/share/doc/chimely/changelog.gz usr/share/man/man1/chimely.1.gz \
            usr/share/man/man1/chimely-today.1.gz usr/share/man/man1/chimely-wake-up.1.gz; do
    [ -f "$T/x/$path" ] || fail "not in the package: $path"
done
zcat "$T/x/usr/share/man/man1/chimely.1.gz" | grep -q '^\.TH CHIMELY 1 .*"Chimely 1\.0\.0"' || fail "chimely(1)"
[ "$(cat "$T/control/conffiles")" = /etc/xdg/autostart/chimely-wake-up.desktop ] || fail "conffiles"
grep -q '/usr/lib/chimely/stop-running' "$T/control/prerm" || fail "prerm ends nothing"
executable_libraries=$(find "$T/x" -name '*.so' -perm /111)
[ -z "$executable_libraries" ] || fail "executable libraries: $executable_libraries"
if command -v lintian > /dev/null; then
    lintian "$deb" > "$T/lintian.txt" 2>&1 || true
    ! grep '^E:' "$T/lintian.txt" || fail "lintian errors"
else
    echo "lintian missing: not run"
fi
echo PASS
