#!/usr/bin/env bash
# Follows the README's quick start on a minimal Debian 12 made afresh
# (debootstrap's minbase variant) in a chroot, once as root and once as an
# ordinary user on a system where root has installed nothing, and prints what
# each step cost: time, packages installed, disk used. Not part of `make
# test`: it needs root, debootstrap, Debian's package mirror and many minutes.
#
#   scripts/first-hour-in-a-chroot.sh [WORK_DIR]
#
# WORK_DIR (default /var/tmp/velquin-first-hour) gets the systems and a log of
# every step (first-hour.log); it is removed first. The mirror is the one apt
# uses on this machine (MIRROR overrides it). The checkout is copied in as it
# stands, without its build trees.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/var/tmp/velquin-first-hour}
[ "$EUID" -eq 0 ] || { echo "$0: needs root (debootstrap and chroot)" >&2; exit 1; }
command -v debootstrap >/dev/null || { echo "$0: needs debootstrap (apt-get install debootstrap)" >&2; exit 1; }

# The first Debian archive apt is configured with (deb822 or one-line form).
mirror=${MIRROR:-$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null | sed -n 's/^URIs: *\([^ ]*\/debian\)\/* *$/\1/p' | head -n 1)}
mirror=${mirror:-$(sed -n 's/^deb \(\[[^]]*\] \)\{0,1\}\([^ ]*\/debian\)\/* .*/\2/p' /etc/apt/sources.list 2>/dev/null | head -n 1)}
mirror=${mirror:-http://deb.debian.org/debian}

mounted=()
cleanup() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; --i)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
}
trap cleanup EXIT

rm -rf "$work"
mkdir -p "$work"
log=$work/first-hour.log
: >"$log"
figures=()

# step NAME COMMAND...: runs COMMAND with its output in the log and keeps its
# wall time; a failing step ends the run with the log's last lines.
step() {
    local name=$1
    shift
    echo "== $name" >>"$log"
    local started=$SECONDS status=0
    "$@" >>"$log" 2>&1 || status=$?
    local took=$((SECONDS - started))
    if [ $status -ne 0 ]; then
        echo "$name: failed (status $status) after ${took} s; the last lines of $log:" >&2
        tail -n 20 "$log" >&2
        exit 1
    fi
    figures+=("$(printf '%-52s %4d:%02d' "$name" $((took / 60)) $((took % 60)))")
    printf '%-52s %4d:%02d\n' "$name" $((took / 60)) $((took % 60))
}

# What a system holds: its packages and the disk it uses.
census() {
    local root=$1 label=$2
    local packages size
    packages=$(chroot "$root" dpkg-query -f '${db:Status-Abbrev}\n' -W | grep -c '^ii')
    size=$(du -sxm --exclude="$root/home" --exclude="$root/root" --exclude="$root/var/cache/apt" "$root" | cut -f1)
    figures+=("$(printf '%-52s %4d packages, %5d MB' "$label" "$packages" "$size")")
    printf '%-52s %4d packages, %5d MB\n' "$label" "$packages" "$size"
}

# The system's own mounts for a chroot: processes, devices, terminals.
prepare() {
    local root=$1
    mount -t proc proc "$root/proc" && mounted+=("$root/proc")
    mount --bind /dev "$root/dev" && mounted+=("$root/dev")
    mount --bind /dev/pts "$root/dev/pts" && mounted+=("$root/dev/pts")
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    chmod 1777 "$root/tmp"
}

copy_checkout() {
    local target=$1
    mkdir -p "$target"
    tar -C "$here" -cf - --exclude=./.git --exclude='./build' --exclude='./build-*' --exclude='./build.*' . \
        | tar -C "$target" -xf -
}

in_root() { chroot "$1" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 bash -c "$2"; }
as_user() { chroot "$1" /usr/bin/env -i PATH=/usr/bin:/bin LANG=C.UTF-8 setpriv --reuid=user --regid=user --init-groups --reset-env bash -c "$2"; }

# The quick start's dialog, driven by the script front end: Tab, -30, Enter,
# then the record must hold the new daylight bias.
dialog_run='cd ~/velquin && printf "key Tab\ntype -30\nkey Enter\n" | TZ=Europe/Berlin CE_DEVICE_UI=script make run \
    && TZ=Europe/Berlin build/bin/ce-tz --json | grep -q "\"DaylightBias\": -30"'

echo "mirror: $mirror; log: $log"
step "debootstrap --variant=minbase bookworm" debootstrap --variant=minbase bookworm "$work/base" "$mirror"
census "$work/base" "minimal Debian 12"
# apt's source inside: the same mirror.
echo "deb $mirror bookworm main" >"$work/base/etc/apt/sources.list"

cp -a "$work/base" "$work/as-root"
cp -a "$work/base" "$work/as-user"

# As root, in root's own checkout.
root=$work/as-root
prepare "$root"
copy_checkout "$root/root/velquin"
step "root: apt-get update && apt-get install make" in_root "$root" 'apt-get update && apt-get install -y make'
step "root: make run (installs, builds, runs the dialog)" in_root "$root" "$dialog_run"
census "$root" "root: after make run"
step "root: make test (installs the test tools, runs every test)" in_root "$root" 'cd ~/velquin && make test'
census "$root" "root: after make test"

# As an ordinary user where root has installed nothing but make: the printed
# line, run as root as printed, then the user's own make.
root=$work/as-user
prepare "$root"
in_root "$root" 'useradd -m -s /bin/bash user' >>"$log" 2>&1
copy_checkout "$root/home/user/velquin"
chroot "$root" chown -R user:user /home/user/velquin
step "user: root installs make" in_root "$root" 'apt-get update && apt-get install -y make'
printed=$(as_user "$root" 'cd ~/velquin && make run 2>&1 || true' | tee -a "$log" | sed -n 's/^Install them as root with:  //p')
[ -n "$printed" ] || { echo "user: make run printed no install line; see $log" >&2; exit 1; }
echo "user: make run prints: $printed"
step "user: root runs the printed line" in_root "$root" "$printed"
census "$root" "user: after the printed install"
step "user: make run (builds, runs the dialog)" as_user "$root" "$dialog_run"
printed=$(as_user "$root" 'cd ~/velquin && make test 2>&1 || true' | tee -a "$log" | sed -n 's/^Install them as root with:  //p')
[ -n "$printed" ] || { echo "user: make test printed no install line; see $log" >&2; exit 1; }
step "user: root runs the line make test printed" in_root "$root" "$printed"
census "$root" "user: after the test tools' install"
step "user: make test (runs every test)" as_user "$root" 'cd ~/velquin && make test'

echo
echo "Figures (wall time m:ss; packages and disk of the system, homes and apt's cache left out):"
printf '  %s\n' "${figures[@]}"
