#!/usr/bin/env bash
# Stands in for quarnex to check this harness itself: it does what quarnex
# is meant to do with a set (list the VIDEO_TS directory or else the root,
# extract every byte of each file, convert the whole volume, delete the
# members it needed with -r), but through isoinfo and dd on the joined
# members.
#   QUARNEX_PROGRAM=$PWD/reference_quarnex.sh ./run_case.sh dvd genisoimage /tmp/x
# Every check then passes; a failure is a fault of the harness.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source "$here/iso_facts.sh"
source "$here/pdi_set.sh"

list=0 remove=0 video_ts=0 dir= iso= word=
while (($#)); do
  case $1 in
    -l) list=1 ;;
    -r) remove=1 ;;
    -v) video_ts=1 ;;
    -d) dir=$2; shift ;;
    -m) dir=$2; mkdir -p "$dir"; shift ;;
    -i) iso=${2%.iso}.iso; shift ;;
    -x) remove=1 video_ts=1 x=1 ;;
    *) word=$1 ;;
  esac
  shift
done
base=${word%.pdi}
[[ -n ${x:-} ]] && { dir=$base; mkdir -p "$dir"; }

image=$(mktemp)
trap 'rm -f "$image"' EXIT
cat $(set_members "$base") | tail -c +$((SET_HEADER_SIZE + 1)) > "$image"
listed=/
iso_records "$image" | awk -F '\t' '$1 == "/VIDEO_TS/"' | grep -q . && listed=/VIDEO_TS/

if ((list)); then
  echo "[extent ] File Name    Size       Date       Time"
  directory_files "$image" "$listed" | while read -r e n s; do
    printf '[%7i] %12s %10i  1. 1.2000 00:00:00\n' "$e" "$n" "$s"
  done
  exit 0
fi
if ((video_ts)); then dir=${dir:+$dir/}VIDEO_TS; mkdir -p "$dir"; fi
if [[ -n $iso ]]; then
  head -c $(($(volume_sectors "$image") * SECTOR_SIZE)) "$image" > "${dir:+$dir/}$iso"
else
  directory_files "$image" "$listed" | while read -r e n s; do
    dd if="$image" of="${dir:+$dir/}$(output_name "$n")" iflag=skip_bytes,count_bytes \
      skip=$((e * SECTOR_SIZE)) count="$s" bs=1M status=none
  done
fi
# With -r, the members up to the one that holds the last byte needed.
if ((remove)); then
  if [[ -n $iso ]]; then
    last=$((SET_HEADER_SIZE + $(volume_sectors "$image") * SECTOR_SIZE - 1))
  else
    last=$(directory_files "$image" "$listed" |
      awk -v h=$SET_HEADER_SIZE -v z=$SECTOR_SIZE '$3 > 0 { b = h + $1 * z + $3 - 1; if (b > m) m = b } END { print m + 0 }')
  fi
  start=0
  for m in $(set_members "$base"); do
    size=$(stat -c %s "$m")
    ((start <= last)) && rm -f "$m"
    start=$((start + size))
  done
fi
