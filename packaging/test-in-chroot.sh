#!/bin/bash
# Runs `make test` (or the make targets given) on another Debian release, in a minbase chroot
# of it made with debootstrap from the archive apt uses here. The chroot is kept and reused;
# the checkout is cloned into it afresh each time, so only what is committed is tried. The
# results land in build/SUITE/ of this checkout: the log, the tests' own log and the .deb.
# Usage: test-in-chroot.sh SUITE [TARGET...]      e.g. test-in-chroot.sh trixie
# TARVEX_CHROOT_CACHE names the folder that keeps the chroots (/var/cache/tarvex-chroot);
# TARVEX_CHROOT_FRESH=1 makes the chroot anew.
set -euo pipefail

suite=${1:?usage: test-in-chroot.sh SUITE [TARGET...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(test)

if [ "$(id -u)" != 0 ]; then
  exec sudo --preserve-env=TARVEX_CHROOT_CACHE,TARVEX_CHROOT_FRESH "$0" "$suite" "${targets[@]}"
fi

# Every mount below is made in a mount namespace of the script's own, and every process in the
# chroot lives in a PID namespace of its own: when the script ends, however it ends (a failure,
# Ctrl+C, SIGKILL), the kernel ends those processes and drops those mounts. The trap unmounts
# them in order as well, so nothing of the chroot stays busy while the script still runs.
if [ -z "${TARVEX_IN_NAMESPACE:-}" ]; then
  exec env TARVEX_IN_NAMESPACE=1 unshare --mount --pid --fork --propagation private \
    "$0" "$suite" "${targets[@]}"
fi

repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
cache=${TARVEX_CHROOT_CACHE:-/var/cache/tarvex-chroot}
root=$cache/$suite
out=$repo/build/$suite

# The archive apt uses here: the first Debian main archive in its sources.
mirror=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null \
         | awk '/^URIs:/ { for (i = 2; i <= NF; i++) if ($i ~ /\/debian\/?$/) { print $i; exit } }')
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" && $2 ~ /\/debian\/?$/ { print $2; exit }' \
                               /etc/apt/sources.list 2>/dev/null || true)
[ -n "$mirror" ] || mirror=http://deb.debian.org/debian

mounted=()
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${mounted[i]}" 2>/dev/null || true
  done
  mounted=()
}
trap unmount_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
mount_at() {  # mount_at TARGET MOUNT-ARGS...
  local target=$1
  shift
  mount "$@" "$target"
  mounted+=("$target")
}

if [ "${TARVEX_CHROOT_FRESH:-}" = 1 ]; then
  rm -rf "$root"
fi
if [ ! -x "$root/usr/bin/make" ]; then
  # Made beside, then moved into place: a debootstrap cut short is never taken for a chroot.
  rm -rf "$root.new"
  mkdir -p "$cache"
  echo "== debootstrap $suite from $mirror"
  debootstrap --variant=minbase --include=make "$suite" "$root.new" "$mirror"
  rm -rf "$root"
  mv "$root.new" "$root"
fi

# The tests make a private mount namespace of their own, which the kernel refuses for a root
# that is no mount point: the chroot is bind-mounted onto itself.
mount_at "$root" --bind "$root"
mount_at "$root/proc" -t proc proc
mount_at "$root/sys" --rbind /sys
mount --make-rslave "$root/sys"
mount_at "$root/dev" --rbind /dev
mount --make-rslave "$root/dev"
mount_at "$root/tmp" -t tmpfs -o mode=1777 tmpfs
cp -L /etc/resolv.conf "$root/etc/resolv.conf"

rm -rf "$root/src"
git clone -q "$repo" "$root/src"
rm -rf "$out"
mkdir -p "$out"

echo "== make ${targets[*]} in Debian $(cat "$root/etc/debian_version") ($suite)"
set +e
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  LANG=C.UTF-8 TERM=dumb CI="${CI:-}" \
  /bin/sh -c 'cd /src && make "$@"' make "${targets[@]}" 2>&1 | tee "$out/make.log"
status=${PIPESTATUS[0]}
set -e

cp "$root"/src/build/tarvex_*.deb "$out"/ 2>/dev/null || true
cp "$root"/src/build/Testing/Temporary/LastTest.log "$out"/ 2>/dev/null || true
echo "== results of $suite in $out (status $status)"
exit "$status"
