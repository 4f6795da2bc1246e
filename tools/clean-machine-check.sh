#!/bin/bash
# clean-machine-check.sh [WORK]: what a new user meets on a clean Debian 12.
# Run by hand as root (debootstrap, unshare, Debian's mirror); it takes a while
# and is no part of `make test`.
#  1. A minimal Debian 12 (debootstrap minbase); `apt-get install git make` as
#     the README says; a clone of this repository's HEAD; the README's two
#     commands: `make test`, and `make run` (headless, ended by "close"); then
#     `make deb`, lintian on the package and `make install` / `make uninstall`.
#  2. A second clean Debian 12: the package installed, `chimely` run under Xvfb
#     as root and as a new user (who registers an alarm, so that a wake-up
#     service runs), the package removed, then purged: nothing of it may run,
#     nor remain outside the users' data roots.
# WORK (default /var/tmp/chimely-clean-machine) keeps the chroots, the logs and
# debootstrap's download cache; MIRROR names the Debian mirror; a package named
# by DEB is checked without the first part.
set -euo pipefail
SOURCE=$(cd "$(dirname "$0")/.." && pwd)
WORK=${1:-/var/tmp/chimely-clean-machine}
MIRROR=${MIRROR:-http://deb.debian.org/debian}
[ "$(id -u)" = 0 ] || { echo "run as root: it makes chroots" >&2; exit 2; }
for tool in debootstrap unshare git; do
    command -v "$tool" > /dev/null || { echo "$tool is missing" >&2; exit 2; }
done
mkdir -p "$WORK/cache"
step() { printf '\n== %s\n' "$*"; }

# Runs a bash script in a chroot, in mount and process namespaces of its own:
# whatever it leaves running ends with it, and no mount outlives it.
in_chroot() {
    unshare --mount --pid --fork --kill-child bash -c '
        set -e
        mount -t proc proc "$1/proc"; mount -t sysfs sys "$1/sys"; mount --rbind /dev "$1/dev"
        exec chroot "$1" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
            bash -euo pipefail -c "$2"' - "$1" "$2"
}

step "a clean Debian 12 (debootstrap minbase)"
rm -rf "$WORK/pristine" "$WORK/build" "$WORK/install"
debootstrap --variant=minbase --cache-dir="$WORK/cache" bookworm "$WORK/pristine" "$MIRROR" > "$WORK/debootstrap.log"
cp /etc/resolv.conf "$WORK/pristine/etc/resolv.conf"
cp -a "$WORK/pristine" "$WORK/build"
cp -a "$WORK/pristine" "$WORK/install"
echo "$(chroot "$WORK/pristine" dpkg-query -W | wc -l) packages"
git -C "$SOURCE" bundle create "$WORK/build/root/chimely.bundle" HEAD 2> /dev/null
echo "repository: $(git -C "$SOURCE" log -1 --format='%h %s' | cut -c1-72)"

if [ -z "${DEB:-}" ]; then
step "the README's set-up on it"
in_chroot "$WORK/build" '
apt-get update -q > /dev/null
apt-get install -y -q git make > /root/git-make.log   # as the README says
echo "apt-get install git make: $(grep -c "^Setting up" /root/git-make.log) packages"
git clone -q /root/chimely.bundle /root/chimely
cd /root/chimely
before=$(dpkg-query -W | wc -l)
start=$(date +%s)
if make test > /root/make-test.log 2>&1; then result=passed; else result=FAILED; fi
echo "make test $result in $(( $(date +%s) - start )) s, installing $(( $(dpkg-query -W | wc -l) - before )) packages:"
grep -E "tests passed|tests failed|^\s+[0-9]+ - |Total Test time" /root/make-test.log | sed "s/^/    /"
[ "$result" = passed ] || { tail -n 60 /root/make-test.log; exit 1; }

export CHIMELY_VIDEO=headless CHIMELY_AUDIO=null
make run > /root/make-run.log 2>&1 &
run=$!
for i in $(seq 100); do
    [ -e "build/device/Program Files/Chimely/alarms.ini" ] && break; sleep 0.2
done
sleep 1
tools/run-device.sh build close
timeout 20 tail --pid=$run -f /dev/null && wait $run && echo "make run: started, ended by close" ||
    { cat /root/make-run.log; echo "make run FAILED"; exit 1; }

make deb > /root/make-deb.log 2>&1 || { tail -n 30 /root/make-deb.log; echo "make deb FAILED"; exit 1; }
cp build/chimely_*.deb /root/chimely.deb
echo "make deb: $(cd build && ls chimely_*.deb), $(stat -c %s /root/chimely.deb) bytes"
apt-get install -y -q lintian > /dev/null
echo "lintian:"
lintian --info /root/chimely.deb | sed "s/^/    /" || true
lintian /root/chimely.deb | grep -q "^E:" && { echo "lintian shows errors"; exit 1; }

make install > /root/make-install.log 2>&1 || { tail -n 30 /root/make-install.log; echo "make install FAILED"; exit 1; }
installed=$(wc -l < build/install_manifest.txt)
make uninstall > /root/make-uninstall.log 2>&1 || { cat /root/make-uninstall.log; echo "make uninstall FAILED"; exit 1; }
left=0
while IFS= read -r file; do [ ! -e "$file" ] || { echo "    left: $file"; left=$((left + 1)); }; done < build/install_manifest.txt
echo "make install put $installed files; make uninstall left $left; /usr/local/lib/chimely: $(ls -d /usr/local/lib/chimely 2>/dev/null || echo gone)"
sed "s/^/    /" /root/make-uninstall.log
[ "$left" = 0 ]
'
DEB=$WORK/build/root/chimely.deb
fi
cp "$DEB" "$WORK/install/root/chimely.deb"

step "the package on a second clean Debian 12"
in_chroot "$WORK/install" '
# What runs of the package: programs of its template, or of a root the wrappers filled from it.
ours() {
    local dir exe
    for dir in /proc/[0-9]*; do
        exe=$(readlink "$dir/exe" 2>/dev/null) || continue
        case "$exe" in /usr/lib/chimely/*|*/.local/share/chimely/*)
            echo "    $(stat -c %U "$dir") ${dir#/proc/} $exe" ;; esac
    done
}
# Files named after the package outside the data roots and the package manager.
leftovers() {
    find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /root/.local/share/chimely \
                    -o -path /home/mira/.local/share/chimely -o -path /var/lib/dpkg -o -path /var/cache/apt \
                    -o -path /var/log -o -path /root/chimely.deb \) -prune -o -iname "*chimely*" -print
}
apt-get update -q > /dev/null
apt-get install -y -q xvfb xauth > /dev/null
before=$(dpkg-query -W | wc -l)
apt-get install -y -q /root/chimely.deb > /root/install.log
echo "apt-get install ./chimely.deb: $(( $(dpkg-query -W | wc -l) - before )) packages"
dpkg -L chimely > /root/files.txt
echo "chimely --version: $(chimely --version); man pages: $(ls /usr/share/man/man1 | grep chimely | tr "\n" " ")"

Xvfb :5 -screen 0 800x600x24 -nolisten tcp > /dev/null 2>&1 &
sleep 1
export DISPLAY=:5 CHIMELY_AUDIO=null
# Chimely under the display, as root and as a new user, each with a screenshot on SIGUSR1.
shot() {
    for i in $(seq 100); do
        pid=$(ours | awk -v u="$1" "\$1 == u && /\/Chimely\$/ {print \$2}" | head -n 1)
        [ -n "$pid" ] && break; sleep 0.2
    done
    [ -n "$pid" ] || { echo "Chimely of $1 did not start"; exit 1; }
    sleep 3
    kill -USR1 "$pid"; sleep 1
    [ -s "$2" ] && echo "chimely of $1 runs under Xvfb: screenshot $(stat -c %s "$2") bytes" ||
        { echo "no screenshot of $1"; exit 1; }
}
CHIMELY_SCREENSHOT=/root/shot.png setsid chimely > /root/run.log 2>&1 &
shot root /root/shot.png
useradd -m mira
su mira -c "CHIMELY_SCREENSHOT=/home/mira/shot.png setsid chimely > /home/mira/run.log 2>&1 &"
shot mira /home/mira/shot.png
su mira -c "chimely-wake-up register \"\\\\Program Files\\\\Chimely\\\\Bellcue.exe\" \"$(date -d "+1 hour" "+%F %T")\""
sleep 1
echo "running:"; ours
echo "mira: $(su mira -c "chimely-wake-up status" | tr "\n" " ")"
echo "data roots: root $(du -sh /root/.local/share/chimely | cut -f1), mira $(du -sh /home/mira/.local/share/chimely | cut -f1)"

apt-get remove -y -q chimely > /root/remove.log
echo "after apt-get remove chimely, running:"; running=$(ours); echo "${running:-    nothing}"
echo "left outside the data roots:"; left=$(leftovers); echo "${left:-    nothing}" | sed "s/^\//    \//"
apt-get purge -y -q chimely > /root/purge.log
echo "after apt-get purge chimely, left outside the data roots:"; purged=$(leftovers); echo "${purged:-    nothing}"
while IFS= read -r file; do
    [ -d "$file" ] || [ ! -e "$file" ] || { echo "left: $file"; purged=yes; }
done < /root/files.txt
[ -z "$running" ] && [ -z "$purged" ] && echo "PASS" || { echo "FAIL"; exit 1; }
'
