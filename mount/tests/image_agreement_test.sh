#!/usr/bin/env bash
# quarnex -i and the mount's NAME.iso are one image on every set: the maker's
# DVD set and discs mastered by genisoimage, xorriso, dvdauthor and mkudffs,
# each cut as the extraction suites cut them, with a member shorter than a
# sector and an empty member, and with its last member taken away.
# Where quarnex ends with status 0 the two files are compared byte for byte;
# where the set lacks bytes of the image, the length quarnex announces is
# the length the mount shows.
# Usage: image_agreement_test.sh QUARNEX_MOUNT QUARNEX MAKE_PDI_SET
set -uo pipefail
mount_program=$1 quarnex=$2 make_pdi_set=$3
thirdparty=$(cd "$(dirname "$0")/../../extractor/tests/thirdparty" && pwd)
source "$(dirname "$0")/mount_checks.sh" quarnex_mount_image_agreement
source "$thirdparty/iso_facts.sh"
source "$thirdparty/pdi_set.sh"
source "$thirdparty/masters.sh"

# agree WHAT SETBASE [whole]: mounts SETBASE.pdi, converts it, compares;
# a whole set must convert with status 0.
agree() {
  local what=$1 base=$2 whole=${3:-} mnt=$work/mnt
  mkdir -p "$mnt"
  "$mount_program" "$base.pdi" "$mnt" 2> mount.log || { check "$what: mounts" sh -c "cat mount.log; false"; return; }
  mounted+=("$mnt")
  rm -f agreed.iso
  "$quarnex" -i agreed "$base" < /dev/null > /dev/null 2> quarnex.log
  local status=$? announced
  announced=$(sed -n 's/.*writing agreed\.iso (\([0-9]*\) extents).*/\1/p' quarnex.log)
  check "$what: quarnex -i announces the image" test -n "$announced"
  check "$what: the mount's ${base##*/}.iso is as long as quarnex -i's ($announced sectors)" \
    test "$(stat -c %s "$mnt/${base##*/}.iso")" = "$((announced * 2048))"
  [[ -z $whole ]] || check "$what: quarnex -i ends with status 0" sh -c "cat quarnex.log; exit $status"
  if ((status == 0)); then
    check "$what: quarnex -i wrote the mounted .iso" cmp agreed.iso "$mnt/${base##*/}.iso"
  fi
  fusermount3 -u "$mnt"
  unset 'mounted[${#mounted[@]}-1]'
}

# Every set of one image: its cuts; a member of 1,000 bytes inside the
# sector of its second cut, then an empty one; the last member taken away.
agree_cut_sets() {  # agree_cut_sets WHAT IMAGE CUT...
  local what=$1 image=$2
  shift 2
  local cuts=("$@") short=$(($2 + 0))
  local into=$(((short - SET_HEADER_SIZE) % SECTOR_SIZE))
  ((into + 1000 < SECTOR_SIZE)) || short=$((short - into + 500))
  local odd_cuts
  mapfile -t odd_cuts < <(printf '%s\n' "${cuts[@]}" "$short" "$((short + 1000))" "$((short + 1000))" | sort -n)
  rm -rf sets && mkdir sets
  write_set "$image" sets/cut "${cuts[@]}"
  agree "$what, cut" sets/cut whole
  write_set "$image" sets/odd "${odd_cuts[@]}"
  agree "$what, a 1,000-byte member inside a sector and an empty member" sets/odd whole
  write_set "$image" sets/short "${cuts[@]}"
  rm "$(set_members sets/short | tail -1)"
  agree "$what, the last member taken away" sets/short
}

cd "$work" || exit 1
"$make_pdi_set" --iso demo.iso demo > /dev/null && rm demo.pdi*
agree_cut_sets "demo DVD" demo.iso "$(stream_position 1000 123)" "$(stream_position 2000 1500)" \
  "$(stream_position 3000 7)"
"$make_pdi_set" --dir-sector 300 --hidden --iso away.iso away > /dev/null && rm away.pdi*
agree_cut_sets "directory at 300, hidden file" away.iso "$(stream_position 200 1001)" "$(stream_position 310 99)"

for kind in data:genisoimage data:xorriso sector69:genisoimage sector69:xorriso dvd:genisoimage; do
  mkdir -p "$work/${kind/:/_}" && cd "$work/${kind/:/_}" || exit 1
  if master_${kind%%:*} "${kind#*:}" > master.log 2>&1; then
    mapfile -t CUTS < <(printf '%s\n' "${CUTS[@]}" | sort -n -u)
    agree_cut_sets "$kind" image.iso "${CUTS[@]}"
  else
    check "$kind: mastering" sh -c "cat master.log; false"
  fi
  cd "$work" || exit 1
done

# UDF only: no ISO 9660 directory, no descriptor at 16.
mkdir -p "$work/udf" && cd "$work/udf" || exit 1
if truncate -s 16M image.iso && mkudffs --media-type=hd --blocksize=2048 --label=QXUDF image.iso > mkudffs.log 2>&1; then
  agree_cut_sets "UDF only (mkudffs)" image.iso "$(stream_position 300 1001)" "$(stream_position 5000 77)"
else
  check "UDF only: mkudffs" sh -c "cat mkudffs.log; false"
fi
cd "$work" || exit 1

echo "$failures failed"
[[ $failures -eq 0 ]]
