#!/usr/bin/env bash
# quarnex-mount under mount(8), as `mount -t fuse.quarnex-mount` and as an
# fstab line (mount -T): the kernel's mount is read-only whatever the options
# (findmnt says ro, writes fail with EROFS), its type is the one fstab names,
# mount(8)'s own words do not stop it, and umount ends it, program and all.
# mount(8) runs helpers with a fixed PATH: in a mount namespace of its own,
# the test puts the program under test in /usr/local/sbin. Needs root.
# Usage: mount_command_test.sh QUARNEX_MOUNT MAKE_PDI_SET
set -uo pipefail
if [[ ${1:-} == --inside ]]; then
  tmp=$2
  mount --bind "$tmp/sbin" /usr/local/sbin || exit 1
  failures=0
  fail() { echo "FAIL $*"; failures=$((failures + 1)); }
  dir=$tmp/mnt
  while IFS='|' read -r how command; do
    before=$failures
    (cd "$tmp" && eval "$command") || { fail "$how: mount failed"; continue; }
    [[ $(findmnt -no FSTYPE "$dir") == fuse.quarnex-mount ]] || fail "$how: type $(findmnt -no FSTYPE "$dir")"
    [[ ,$(findmnt -no OPTIONS "$dir"), == *,ro,* ]] || fail "$how: options $(findmnt -no OPTIONS "$dir")"
    [[ -d $dir/VIDEO_TS ]] || fail "$how: no VIDEO_TS in $(ls "$dir")"
    for write in "touch $dir/new" "mkdir $dir/new" "touch $dir/VIDEO_TS/VIDEO_TS.IFO"; do
      why=$(LC_ALL=C $write 2>&1) && fail "$how: $write succeeded"
      [[ $why == *"Read-only file system"* ]] || fail "$how: $write: $why"
    done
    umount "$dir" || fail "$how: umount"
    ! mountpoint -q "$dir" || fail "$how: still mounted after umount"
    for _ in $(seq 50); do pgrep -f -- "quarnex-mount .*$dir" > /dev/null || break; sleep 0.1; done
    ! pgrep -f -- "quarnex-mount .*$dir" > /dev/null || fail "$how: quarnex-mount runs on after umount"
    [[ $failures == "$before" ]] && echo "ok   $how"
  done << TABLE
mount -t|mount -t fuse.quarnex-mount movie.pdi $dir
mount -t -o rw and mount(8)'s words, a member named|mount -t fuse.quarnex-mount -o rw,nofail,user,noauto,_netdev,x-gvfs-show movie.pdi02 $dir
fstab line (mount -T)|mount -T $tmp/fstab $dir
TABLE
  [[ $failures == 0 ]]
  exit
fi

[[ $(id -u) == 0 ]] || { echo "needs root"; exit 1; }
tmp=$(mktemp -d "${TMPDIR:-/tmp}/quarnex-mount-command.XXXXXX") || exit 1
trap 'umount "$tmp/mnt" 2> /dev/null; rm -rf "$tmp"' EXIT
mkdir "$tmp/sbin" "$tmp/mnt" && ln -s "$(realpath "$1")" "$tmp/sbin/quarnex-mount" || exit 1
(cd "$tmp" && "$(realpath "$2")" movie > /dev/null) || exit 1
# The line the manual page gives, with this test's paths.
echo "$tmp/movie.pdi $tmp/mnt fuse.quarnex-mount nofail,user,noauto 0 0" > "$tmp/fstab"
unshare -m --propagation private bash "$(realpath "$0")" --inside "$tmp"
