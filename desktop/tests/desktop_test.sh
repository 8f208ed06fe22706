#!/usr/bin/env bash
# The desktop's way to a set: the file type through update-mime-database and
# xdg-mime (both of its readers: GIO and File::MimeInfo), the entry through
# desktop-file-validate, then a headless session (Xvfb, D-Bus, openbox,
# pcmanfm) in which `gio open` mounts a set and shows it, a second opening
# mounts nothing more, Unmount and GIO's unmount (the file manager's eject)
# leave nothing behind, and a set that cannot be mounted says why in a dialog.
# Usage: desktop_test.sh SOURCE_DIR QUARNEX_MOUNT QUARNEX_OPEN MAKE_PDI_SET SHOT_DIR
#   SOURCE_DIR holds the MIME package and the entry; screenshots go to SHOT_DIR.
set -uo pipefail
type=application/x-pdi-image-set
script=$(realpath "$0")
failed=0
fail() { echo "FAIL $*"; failed=1; }
wait_for() {  # wait_for COMMAND...: up to 20 s
  for _ in $(seq 100); do "$@" > /dev/null 2>&1 && return 0; sleep 0.2; done
  return 1
}
# set_mounts SET: how many mounts show SET
set_mounts() { findmnt -rn -t fuse.quarnex-mount -o SOURCE | grep -cxF "quarnex:$1"; }
unmounted() { ! mountpoint -q "$mounted"; }
# No quarnex-mount nor fusermount3 for a folder of ours (zombies have no
# command line to match).
nothing_runs() { ! pgrep -f -- "^[^ ]*(quarnex-mount|fusermount3) .*$HOME/Discs/" > /dev/null; }
wm_runs() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

if [[ ${1:-} == --session ]]; then
  shift
  sets=$1 shots=$2
  mounted=$HOME/Discs/movie
  openbox &
  openbox_pid=$!
  wait_for wm_runs || fail "openbox did not start"
  gio open "$sets/movie.pdi" 2> "$HOME/open.err"
  wait_for mountpoint -q "$mounted" || fail "gio open movie.pdi mounted nothing at $mounted: $(cat "$HOME/open.err")"
  wait_for xdotool search --onlyvisible --name '^movie$' || fail "no file manager window titled movie"
  [[ $(findmnt -no FSTYPE "$mounted") == fuse.quarnex-mount ]] || fail "type $(findmnt -no FSTYPE "$mounted")"
  [[ -d $mounted/VIDEO_TS && -f $mounted/movie.iso ]] || fail "the mount holds $(ls "$mounted")"
  sleep 2
  import -window root "$shots/desktop-open.png"
  for again in movie.pdi movie.pdi02; do
    gio open "$sets/$again"
    sleep 2
    [[ $(set_mounts "$sets/movie.pdi") == 1 ]] || fail "opening $again again: $(set_mounts "$sets/movie.pdi") mounts"
  done
  # The entry's Unmount action, as its Exec line says.
  action=$(sed -n '/^\[Desktop Action Unmount\]/,/^\[/s/^Exec=//p' "$XDG_DATA_HOME/applications/quarnex-open.desktop")
  ${action/\%f/$sets/movie.pdi01}
  wait_for unmounted || fail "Unmount left $mounted mounted"
  wait_for nothing_runs || fail "Unmount left $(pgrep -af -- "$HOME/Discs/")"
  [[ ! -e $mounted ]] || fail "Unmount left the folder $mounted"
  # The file manager's eject: GIO's unmount of the mount its volume monitor
  # shows (gio mount -u finds no mount GIO does not list).
  gio open "$sets/movie.pdi" && wait_for mountpoint -q "$mounted" && gio mount -u "$mounted"
  wait_for unmounted || fail "GIO's unmount left $mounted mounted"
  wait_for nothing_runs || fail "GIO's unmount left $(pgrep -af -- "$HOME/Discs/")"
  # No set: no mount, and a dialog (no notification server runs here).
  gio open "$sets/broken.pdi" 2> "$HOME/broken.err"
  wait_for xdotool search --onlyvisible --name '^quarnex$' || fail "no dialog for broken.pdi"
  sleep 1
  import -window root "$shots/desktop-failure.png"
  grep -q '^quarnex-open: Cannot open broken: .' "$HOME/broken.err" || fail "no reason told: $(cat "$HOME/broken.err")"
  [[ ! -e $HOME/Discs/broken ]] || fail "a folder is left for broken.pdi"
  for window in $(xdotool search --name '^(quarnex|movie)$'); do
    kill "$(xdotool getwindowpid "$window")" 2> /dev/null
  done
  kill "$openbox_pid"
  exit $failed
fi

source_dir=$(realpath "$1") make_pdi_set=$(realpath "$4") shots=$(realpath "$5")
tmp=$(mktemp -d "${TMPDIR:-/tmp}/quarnex-desktop.XXXXXX") || exit 1
trap 'fusermount3 -u -z "$tmp/home/Discs/movie" 2> /dev/null; rm -rf "$tmp"' EXIT
bin=$tmp/bin
mkdir "$bin" && ln -s "$(realpath "$2")" "$bin/quarnex-mount" && ln -s "$(realpath "$3")" "$bin/quarnex-open"
export XDG_DATA_HOME=$tmp/data XDG_CONFIG_HOME=$tmp/config HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/run
mkdir -p "$XDG_DATA_HOME/mime/packages" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME" "$HOME" "$tmp/sets"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
cp "$source_dir/quarnex.xml" "$XDG_DATA_HOME/mime/packages/"
cp "$source_dir/quarnex-open.desktop" "$XDG_DATA_HOME/applications/"
update-mime-database "$XDG_DATA_HOME/mime" || fail "update-mime-database"
update-desktop-database "$XDG_DATA_HOME/applications" || fail "update-desktop-database"
printf '[Default Applications]\ninode/directory=pcmanfm.desktop\n' > "$XDG_CONFIG_HOME/mimeapps.list"
desktop-file-validate "$XDG_DATA_HOME/applications/quarnex-open.desktop" || fail "desktop-file-validate"

cd "$tmp/sets" || exit 1
"$make_pdi_set" movie > /dev/null || exit 1
cp movie.pdi02 movie.pdi100
cp movie.pdi MOVIE2.PDI
cp movie.pdi disc.bin            # a first member by its magic alone
cp movie.pdi nodisc.pdi          # a first member without the magic
printf '\0\0\0\0\0' | dd of=nodisc.pdi bs=1 seek=33073 conv=notrunc status=none
cp movie.pdi01 plain.bin         # neither
head -c 1000 movie.pdi > broken.pdi
# FILE  GENERIC(File::MimeInfo)  GIO: "ours" or "other"; GIO reads a file's
# first 4 KiB only, so it knows disc.bin by nothing.
while read -r file generic gio; do
  for reader in generic gio; do
    desktop=
    [[ $reader == gio ]] && desktop=LXDE
    got=$(XDG_CURRENT_DESKTOP=$desktop xdg-mime query filetype "$file")
    is=other
    [[ $got == "$type" ]] && is=ours
    [[ $is == "${!reader}" ]] || fail "$file, $reader: $got"
  done
done << 'TABLE'
movie.pdi    ours   ours
movie.pdi01  ours   ours
movie.pdi02  ours   ours
movie.pdi100 ours   ours
MOVIE2.PDI   ours   ours
nodisc.pdi   ours   ours
disc.bin     ours   other
plain.bin    other  other
TABLE
[[ $(xdg-mime query default $type) == quarnex-open.desktop ]] || fail "default for $type: $(xdg-mime query default $type)"

PATH=$bin:$PATH xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- bash "$script" --session "$tmp/sets" "$shots" ||
  failed=1
[[ $failed == 0 ]] && echo "desktop: all checks passed"
exit $failed
