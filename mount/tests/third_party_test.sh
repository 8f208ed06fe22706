#!/usr/bin/env bash
# Third-party readers on the mounted folder, and an image mastered by
# xorriso: the demo set and a data disc with odd file sizes, each mounted
# from a .pdi set cut at odd places.
# Usage: third_party_test.sh QUARNEX_MOUNT QUARNEX MAKE_PDI_SET
set -uo pipefail
mount_program=$1 quarnex=$2 make_pdi_set=$3
source "$(dirname "$0")/mount_checks.sh" quarnex_mount_third_party
mount_set() {  # mount_set SET MOUNTPOINT
  mkdir -p "$2"
  "$mount_program" "$1" "$2" || return 1
  mounted+=("$2")
}
# The demo's set: the maker's image, quarnex's extraction and conversion.
cd "$work"
"$make_pdi_set" --iso image.iso example > /dev/null
mount_set example.pdi m1 || exit 1
check "demo: the mounted .iso is the maker's image" cmp m1/example.iso image.iso
"$quarnex" -m out -v example < /dev/null > quarnex.log 2>&1
"$quarnex" -i converted.iso example < /dev/null >> quarnex.log 2>&1
for f in out/VIDEO_TS/*; do
  check "demo: $(basename "$f") as quarnex extracts it" cmp "$f" "m1/VIDEO_TS/$(basename "$f")"
done
check "demo: quarnex -i wrote the mounted .iso" cmp converted.iso m1/example.iso
check "demo: bsdtar lists the mounted .iso" sh -c "bsdtar -tf m1/example.iso | grep -q VIDEO_TS/VTS_01_3.VOB"
mkdir -p tar && (cd tar && bsdtar -xf ../m1/example.iso)
# The disc's tree: every file bsdtar extracts, hidden ones and subfolders too.
for f in $(cd tar && find . -type f | sort); do
  check "demo: bsdtar's ${f#./} equals the mounted one" cmp "tar/$f" "m1/$f"
done
check "demo: the mount holds what bsdtar extracts" \
  diff <(cd tar && find . | sort) <(cd m1 && find . ! -name example.iso | sort)
check "demo: xorriso reads the mounted .iso" sh -c \
  "xorriso -indev m1/example.iso -find / -name VTS_01_1.VOB 2>&1 | grep -q /VIDEO_TS/VTS_01_1.VOB"

# A data disc mastered by xorriso: files of sizes 0, 1, 2047, 2048, 2049 and
# larger odd sizes in the root, cut into a set inside sectors.
mkdir -p disc
for size in 0 1 2047 2048 2049 5000 123457 1048577; do
  head -c "$size" /dev/urandom > "disc/F$size.BIN"
done
xorriso -as mkisofs -quiet -V ODD_SIZES -o data.img disc 2> xorriso.log || { cat xorriso.log; exit 1; }
{ head -c 304 /dev/zero; cat data.img; } > stream
size=$(stat -c %s stream)
cut1=$((304 + 23 * 2048 + 777)) cut2=$((size / 2 + 1001))
head -c "$cut1" stream > data.pdi
tail -c +$((cut1 + 1)) stream | head -c $((cut2 - cut1)) > data.pdi01
tail -c +$((cut2 + 1)) stream > data.pdi02
rm stream
mount_set data m2 || exit 1
check "data disc: the root's files at the mount's root" test -f m2/F0.BIN
for f in disc/*; do
  check "data disc: $(basename "$f") equals the original" cmp "$f" "m2/$(basename "$f")"
done
check "data disc: the mounted .iso is the whole mastered image" cmp data.img m2/data.iso
check "data disc: bsdtar lists the mounted .iso" sh -c "bsdtar -tf m2/data.iso | grep -q F123457.BIN"

# A DVD-Video with the UDF bridge, mastered as the extraction tests master
# it and cut at the same odd places: DVD software plays from the folder.
thirdparty=$(cd "$(dirname "$0")/../../extractor/tests/thirdparty" && pwd)
source "$thirdparty/iso_facts.sh"
source "$thirdparty/pdi_set.sh"
source "$thirdparty/masters.sh"
mkdir -p "$work/dvd" && cd "$work/dvd" || exit 1
if master_dvd genisoimage > master.log 2>&1; then
  write_set image.iso movie "${CUTS[@]}"
  sums_before=$(stat -c '%n %s %Y' movie.pdi* | sort)
  mount_set movie.pdi m3 || exit 1
  check "DVD: the VIDEO_TS folder of the disc" test -d m3/VIDEO_TS
  for f in disc/VIDEO_TS/*; do
    check "DVD: $(basename "$f") equals the authored file" cmp "$f" "m3/VIDEO_TS/$(basename "$f")"
  done
  check "DVD: the mounted .iso is the whole mastered image" cmp image.iso m3/movie.iso
  check "DVD: lsdvd opens the mounted folder" sh -c "lsdvd m3 2>&1 | grep -q 'Title: 01'"
  check "DVD: lsdvd opens the mounted .iso" sh -c "lsdvd m3/movie.iso 2>&1 | grep -q 'Title: 01'"
  check "DVD: unmount" fusermount3 -u m3
  unset 'mounted[${#mounted[@]}-1]'
  check "DVD: the set is untouched (sizes and times)" test "$sums_before" = "$(stat -c '%n %s %Y' movie.pdi* | sort)"
else
  check "DVD: mastering with ffmpeg, dvdauthor and genisoimage" sh -c "cat master.log; false"
fi
cd "$work" || exit 1

for m in "${mounted[@]}"; do check "unmount $m" fusermount3 -u "$m"; done
mounted=()
echo "$failures failed"
[[ $failures -eq 0 ]]
