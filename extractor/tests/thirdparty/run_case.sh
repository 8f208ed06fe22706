#!/usr/bin/env bash
# Masters one image with third-party tools, saves it as a .pdi set cut at
# odd places, and checks what quarnex makes of it against the originals and
# the image itself. Every check is run; the case fails when any one does.
# Usage: run_case.sh KIND TOOL WORKDIR   (KIND: dvd, data, sector69;
# TOOL: genisoimage, xorriso); QUARNEX_PROGRAM names the program under test.
set -u
kind=$1 tool=$2 work=$3
program=${QUARNEX_PROGRAM:?QUARNEX_PROGRAM must name the quarnex program}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/iso_facts.sh"
source "$here/pdi_set.sh"
source "$here/masters.sh"

for t in ffmpeg dvdauthor genisoimage isoinfo xorriso bsdtar lsdvd cmp; do
  command -v "$t" > /dev/null || { echo "missing $t: run scripts/setup.sh"; exit 1; }
done
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")

rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
master_$kind "$tool" || { echo "FAIL - mastering the $kind image with $tool"; exit 1; }
mapfile -t CUTS < <(printf '%s\n' "${CUTS[@]}" | sort -n -u)
mkdir set && write_set image.iso set/disc "${CUTS[@]}"
echo "# $kind image by $tool: $(stat -c %s image.iso) bytes, $LISTED_DIR at sector" \
  "$(directory_extent image.iso "$LISTED_DIR"), cut at ${CUTS[*]}"

failures=0
check() {  # check DESCRIPTION COMMAND...: runs the command, reports ok or FAIL
  local out
  if out=$("${@:2}" 2>&1); then
    echo "ok - $1"
  else
    echo "FAIL - $1"
    [[ -n $out ]] && sed 's/^/    /' <<< "$out" | head -n 20
    failures=$((failures + 1))
  fi
}

# run NAME DIR ARGS...: quarnex in DIR with stdin closed; NAME.out, NAME.err
# and NAME.rc are kept in the work folder.
run() {
  local name=$1 dir=$2
  shift 2
  (cd "$dir" && "$program" "$@" < /dev/null > "$work/$name.out" 2> "$work/$name.err")
  echo $? > "$work/$name.rc"
}
exited_zero() {
  [[ $(cat "$1.rc") == 0 ]] || { echo "exit status $(cat "$1.rc"); standard error ends:"; tail -c 600 "$1.err"; return 1; }
}
# same_files ORIGINALS OUT: OUT holds exactly the originals' plain files,
# byte for byte (names as quarnex writes them).
same_files() {
  local want got f bad=0
  want=$(cd "$1" && find . -maxdepth 1 -type f -printf '%f\n' | sort)
  got=$(cd "$2" 2>/dev/null && find . -maxdepth 1 -type f -printf '%f\n' | sort)
  [[ $want == "$got" ]] || { echo "files differ:"; diff <(echo "$want") <(echo "$got"); bad=1; }
  for f in $want; do
    [[ -f $2/$f ]] || continue
    cmp "$1/$f" "$2/$f" || { echo "  $f: $(stat -c %s "$1/$f") bytes, written $(stat -c %s "$2/$f")"; bad=1; }
  done
  return $bad
}
# members_left SETBASE WANTED...: exactly the named members of the set are
# left (any NAME.pdi*, not only the chain up to a gap).
members_left() {
  local left want
  left=$(compgen -G "$1.pdi*" | sed 's|.*/||' | sort)
  want=$(printf '%s\n' "${@:2}" | sed '/^$/d' | sort)
  [[ $left == "$want" ]] || { echo "left:" $left; echo "expected:" $want; return 1; }
}
# members_after_files SETBASE: the members that start after the last byte
# of every file of the listed directory. Extraction never needs them, so -r
# leaves them; conversion needs every member of a set that ends with its
# volume.
members_after_files() {
  local last start=0 m
  last=$(directory_files image.iso "$LISTED_DIR" |
    awk -v h=$SET_HEADER_SIZE -v z=$SECTOR_SIZE '$3 > 0 { b = h + $1 * z + $3 - 1; if (b > m) m = b } END { print m + 0 }')
  for m in $(set_members "$1"); do
    ((start > last)) && echo "${m##*/}"
    start=$((start + $(stat -c %s "$m")))
  done
}
# The listing: "extent name size" of every listed line, in order.
listed_files() { sed -nE 's/^\[ *(-?[0-9]+)\] +([^ ]+) +([0-9]+) .*/\1 \2 \3/p' "$1"; }
lists_directory() {
  diff <(directory_files image.iso "$LISTED_DIR") <(listed_files "$1") > "$1.diff" ||
    { echo "expected (<) and listed (>):"; cat "$1.diff"; return 1; }
}
dvd_reader_opens() {
  lsdvd "$1" > lsdvd.out 2>&1 && grep -q '^Title: 01' lsdvd.out ||
    { grep -v -e '^\*\*' -e 'css' lsdvd.out; return 1; }
}
iso_readers_open() {
  bsdtar -tf "$1" > bsdtar.out 2>&1 || { cat bsdtar.out; return 1; }
  xorriso -indev "$1" -find / -type f -exec report_lba > xorriso.out 2>&1 || { tail xorriso.out; return 1; }
  diff <(bsdtar -tf image.iso | sort) <(sort bsdtar.out) || return 1
}

# The harness: the image, the set and the expectations as independent tools
# see them.
volume=$(volume_sectors image.iso)
check "the image is its whole volume ($volume sectors)" test "$(stat -c %s image.iso)" -eq $((volume * SECTOR_SIZE))
check "the set is the header and the image, cut at ${#CUTS[@]} places" \
  cmp <(cat $(set_members set/disc)) <(head -c $SET_HEADER_SIZE set/disc.pdi; cat image.iso)
# members_end_at_cuts SETBASE: each member but the last ends at the next
# cut, none of which falls on a sector boundary.
members_end_at_cuts() {
  local end=0 ends=() m c
  for m in $(set_members "$1"); do
    end=$((end + $(stat -c %s "$m")))
    ends+=("$end")
  done
  [[ "${ends[*]}" == "${CUTS[*]} $end" ]] || { echo "members end at ${ends[*]}"; return 1; }
  for c in "${CUTS[@]}"; do
    (((c - SET_HEADER_SIZE) % SECTOR_SIZE)) || { echo "cut $c on a sector boundary"; return 1; }
  done
}
check "the members end at the cuts, none on a sector boundary" members_end_at_cuts set/disc
check "the listed directory is not at sector 69" test "$(directory_extent image.iso "$LISTED_DIR")" -ne 69
check "isoinfo and xorriso agree on $LISTED_DIR" \
  diff <(directory_files image.iso "$LISTED_DIR" | while read -r e n s; do echo "$e $(output_name "$n") $s"; done | sort -k2) \
       <(reported_files image.iso "$LISTED_DIR")
mkdir unpacked && bsdtar -xf image.iso -C unpacked
check "bsdtar reads the originals back from the image" same_files "$SOURCE" "unpacked$LISTED_DIR"

# quarnex on a set in DIR (named disc): the listing, the extracted files and
# the converted image. TAG names what is kept of each run.
dvd_flag=()
((IS_DVD)) && dvd_flag=(-v)
out=out
((IS_DVD)) && out=out/VIDEO_TS
check_outputs() {  # check_outputs DIR TAG
  local dir=$1 tag=$2
  run "list_$tag" "$dir" -l disc.pdi
  check "$tag: -l exits with status 0" exited_zero "list_$tag"
  check "$tag: -l lists $LISTED_DIR (extents, names, sizes)" lists_directory "list_$tag.out"

  mkdir "$dir/out"
  run "extract_$tag" "$dir" -d out "${dvd_flag[@]}" disc.pdi
  check "$tag: -d exits with status 0" exited_zero "extract_$tag"
  check "$tag: -d writes files equal to the originals" same_files "$SOURCE" "$dir/$out"
  ((IS_DVD)) && check "$tag: lsdvd opens the extracted folder" dvd_reader_opens "$dir/out"

  run "convert_$tag" "$dir" -i converted disc.pdi
  check "$tag: -i exits with status 0" exited_zero "convert_$tag"
  check "$tag: -i writes the whole image" cmp image.iso "$dir/converted.iso"
  check "$tag: bsdtar and xorriso read the converted image" iso_readers_open "$dir/converted.iso"
  ((IS_DVD)) && check "$tag: lsdvd opens the converted image" dvd_reader_opens "$dir/converted.iso"
}
# The whole image as one member, and the set cut at odd places.
mkdir whole && write_set image.iso whole/disc
check_outputs whole whole
check_outputs set cut

# With -r each member is deleted once the run has consumed it, and the
# outputs are the same.
mkdir removed removed/out
copy_set set/disc removed/disc
run extract_r removed -r -d out "${dvd_flag[@]}" disc.pdi
check "cut: -r -d exits with status 0" exited_zero extract_r
check "cut: -r -d writes files equal to the originals" same_files "$SOURCE" "removed/$out"
after_files=$(echo $(members_after_files set/disc))
check "cut: -r -d leaves only the members after the files (${after_files:-none})" \
  members_left removed/disc $(members_after_files set/disc)
copy_set set/disc removed/disc
run convert_r removed -r -i converted disc.pdi
check "cut: -r -i exits with status 0" exited_zero convert_r
check "cut: -r -i writes the whole image" cmp image.iso removed/converted.iso
check "cut: -r -i leaves no member" members_left removed/disc
if ((IS_DVD)); then
  copy_set set/disc removed/disc
  run extract_x removed -x disc
  check "cut: -x exits with status 0" exited_zero extract_x
  check "cut: -x writes files equal to the originals" same_files "$SOURCE" removed/disc/VIDEO_TS
  check "cut: -x leaves only the members after the files (${after_files:-none})" \
    members_left removed/disc $(members_after_files set/disc)
  check "cut: lsdvd opens the folder made by -x" dvd_reader_opens removed/disc
fi

echo "# $kind by $tool: $failures failed"
((failures == 0))
