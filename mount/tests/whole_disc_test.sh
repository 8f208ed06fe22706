#!/usr/bin/env bash
# The mount shows the whole disc. Discs mastered here by genisoimage, xorriso
# (zisofs-compressed files too) and mkudffs, each cut into a set at odd
# places and mounted, are compared entry by entry (names, types, sizes,
# times, link targets) and byte by byte with what bsdtar (ISO 9660) or 7zz
# (UDF) extracts from the unsplit image;
# the disc with a file over 4 GiB is also listed, extracted and converted by
# quarnex, and the UDF-only disc converted.
# Usage: whole_disc_test.sh QUARNEX_MOUNT QUARNEX [CASE...]
set -uo pipefail
mount_program=$(realpath "$1") quarnex=$(realpath "$2")
shift 2
only=("$@")
source "$(dirname "$0")/../../extractor/tests/thirdparty/pdi_set.sh"
for t in genisoimage xorriso mkudffs udfinfo bsdtar 7zz cmp; do
  command -v "$t" > /dev/null || { echo "missing $t: run scripts/setup.sh"; exit 1; }
done
# pycdlib as Debian installs it, whichever python3 comes first in PATH.
debian_python=/usr/bin/python3
$debian_python -c 'import pycdlib' 2> /dev/null || { echo "missing python3-pycdlib: run scripts/setup.sh"; exit 1; }
# The disc over 4 GiB has quarnex write its big file and image whole: in
# memory, where there is room, they take seconds instead of the disk's tens.
parent=/tmp
shm_free=$(df -k --output=avail /dev/shm 2> /dev/null | tail -n 1)
((${shm_free:-0} > 10 * 1024 * 1024)) && parent=/dev/shm
source "$(dirname "$0")/mount_checks.sh" quarnex_whole_disc $parent

# The files every disc holds: nested and empty folders, long and UTF-8
# names, a symbolic link, a hidden file, awkward sizes.
make_tree() {
  local d=$1 size
  mkdir -p "$d/nested/deeper/deepest" "$d/empty folder" "$d/nested/sibling"
  for size in 0 1 2047 2048 2049 123457 1048577; do head -c "$size" /dev/urandom > "$d/size $size.bin"; done
  head -c 5000 /dev/urandom > "$d/nested/deeper/deepest/inner.dat"
  head -c 777 /dev/urandom > "$d/nested/sibling/other.dat"
  head -c 3000 /dev/urandom > "$d/A file name well past sixty-four characters, as Joliet allows when asked.txt"
  head -c 4321 /dev/urandom > "$d/Grüße aus Köln – ünïcödé ✓.txt"
  echo "hidden" > "$d/hidden.txt"
  ln -s nested/deeper/deepest/inner.dat "$d/link to inner"
}

master_rr_joliet() { make_tree src && genisoimage -quiet -R -J -joliet-long -hidden hidden.txt -V RRJ -o image.iso src; }
master_joliet() { make_tree src && genisoimage -quiet -J -V JOLIET -o image.iso src 2> /dev/null; }
master_plain() { make_tree src && genisoimage -quiet -V PLAIN -o image.iso src 2> /dev/null; }
master_udf_bridge() { make_tree src && genisoimage -quiet -udf -R -J -joliet-long -V BRIDGE -o image.iso src; }
# The bridge disc with every ISO 9660 volume descriptor ("CD001" from
# sector 16 on) zeroed: a UDF-only disc.
master_udf_only() {
  master_udf_bridge || return 1
  local s
  for ((s = 16; s < 32; s++)); do
    dd if=image.iso bs=1 skip=$((s * 2048 + 1)) count=5 status=none | grep -q CD001 &&
      dd if=/dev/zero of=image.iso bs=2048 seek=$s count=1 conv=notrunc status=none
  done
  [[ -z $(bsdtar -tf image.iso 2> /dev/null) ]] || { echo "bsdtar still reads an ISO 9660 tree"; return 1; }
}
master_deep_rr() {
  make_tree src && mkdir -p src/l1/l2/l3/l4/l5/l6/l7/l8/l9/l10/l11 &&
    head -c 999 /dev/urandom > src/l1/l2/l3/l4/l5/l6/l7/l8/l9/l10/l11/bottom.bin &&
    xorriso -as mkisofs -quiet -R -V DEEP -o image.iso src 2> xorriso.log
}
# pycdlib writes UDF 2.60 with every folder's parent entry naming the root.
master_udf_pycdlib() {
  $debian_python - image.iso << 'EOF_PYCDLIB'
import io, sys, pycdlib
iso = pycdlib.PyCdlib()
iso.new(udf="2.60")
for d in ["/Music", "/Music/Artist Name", "/Music/Artist Name/Album (2003)", "/Music/Artist Name/Album (2003)/CD 2",
          "/Empty"]:
    iso.add_directory(udf_path=d)
files = {"/Music/Artist Name/Album (2003)/track.txt": b"track one\n" * 1000,
         "/Music/Artist Name/Album (2003)/CD 2/bonus.bin": bytes(range(256)) * 40,
         "/Music/Artist Name/cover.txt": b"cover\n", "/readme.txt": b""}
for path, data in files.items():
    iso.add_fp(io.BytesIO(data), len(data), udf_path=path)
iso.write(sys.argv[1])
EOF_PYCDLIB
}
# A Rock Ridge disc whose ".." records lie: each folder's names itself, the
# root or sector 0 by turns (patched after mastering).
master_wrong_parents() {
  make_tree src && genisoimage -quiet -R -V PARENTS -o image.iso src || return 1
  python3 - image.iso << 'EOF_PARENTS'
import struct, sys
f = open(sys.argv[1], "r+b")
def sector(n):
    f.seek(n * 2048)
    return f.read(2048)
root = sector(16)[156:156 + 34]
root_extent = struct.unpack_from("<I", root, 2)[0]
pending, patched, turn = [(root_extent, struct.unpack_from("<I", root, 10)[0])], 0, 0
while pending:
    extent, length = pending.pop()
    for s in range((length + 2047) // 2048):
        data, at = sector(extent + s), 0
        while at < 2048 and data[at] > 0:
            r = data[at:at + data[at]]
            child, flags, name = struct.unpack_from("<I", r, 2)[0], r[25], r[33:33 + r[32]]
            if name == b"\x01" and extent != root_extent:
                wrong = (extent, root_extent, 0)[turn % 3]
                turn += 1
                f.seek((extent + s) * 2048 + at + 2)
                f.write(struct.pack("<I", wrong) + struct.pack(">I", wrong))
                patched += 1
            elif flags & 2 and name not in (b"\x00", b"\x01"):
                pending.append((child, struct.unpack_from("<I", r, 10)[0]))
            at += data[at]
sys.exit(0 if patched >= 5 else "only %d '..' records patched" % patched)
EOF_PARENTS
}
# Rock Ridge links with empty components, and long ones whose components go
# on from one SL entry into the next (one of 300 bytes, which xorriso
# refuses: genisoimage writes it).
master_rr_links() {
  local x250 y250
  x250=$(printf 'x%.0s' {1..250}) y250=$(printf 'y%.0s' {1..250})
  make_tree src && ln -s './//file' src/dots && ln -s '/tmp//..' src/up && ln -s "a/$x250/$y250/b" src/long &&
    ln -s "a/$(printf 'z%.0s' {1..300})/b" src/longer && genisoimage -quiet -R -V LINKS -o image.iso src
}
# A sparse file of 4,600,000,123 bytes with data at its start, around
# 4 GiB and at its end: recorded in several sections. The image's zeros
# never reach the disk: dd leaves them as holes.
readonly BIG=4600000123 FOUR_GIB=4294967296
master_big() {
  mkdir -p src && echo "small" > src/small.txt && truncate -s $BIG src/big.bin || return 1
  local at
  for at in 0 $((FOUR_GIB - 1048576)) $((BIG - 1048576)); do
    head -c 1048576 /dev/urandom | dd of=src/big.bin bs=1M seek=$at oflag=seek_bytes conv=notrunc status=none
  done
  xorriso -as mkisofs -quiet -iso-level 3 -V BIG -o - src 2> xorriso.log |
    dd of=image.iso bs=1M conv=sparse status=none && [[ ${PIPESTATUS[0]} -eq 0 ]]
}
# xorriso's zisofs compression at block size $1: a text file of 1,040,000
# bytes, text and random blocks (the random ones do not shrink), zeros
# (blocks of no bytes), a file under one block; xorriso leaves a random and
# an empty file as they are. Checked compressed: their recorded lengths.
master_zisofs() {
  mkdir -p src && python3 - src << 'EOF_TEXT' || return 1
import random, sys
r = random.Random(22)
words = ["disc", "backup", "sector", "member", "image", "folder", "zlib", "block"]
text = "".join(" ".join(r.choice(words) for _ in range(11)) + "\n" for _ in range(20000))
open(sys.argv[1] + "/text.txt", "w").write(text[:1040000])
mixed = b"".join(text[i:i + 50000].encode() + r.randbytes(50000) for i in range(0, 200000, 50000))
open(sys.argv[1] + "/mixed.bin", "wb").write(mixed)
open(sys.argv[1] + "/short.txt", "w").write(text[:20001])
EOF_TEXT
  head -c 300000 /dev/urandom > src/random.bin && : > src/empty.txt && head -c 300001 /dev/zero > src/zeros.bin &&
    xorriso -outdev image.iso -zisofs "level=9:block_size=$1" -map src / -set_filter_r --zisofs / -- -commit || return 1
  # Written to a file, the volume is padded to a multiple of 32 sectors:
  # the disc is the volume its descriptor measures.
  truncate -s $(($(isoinfo -d -i image.iso | sed -n 's/^Volume size is: //p') * 2048)) image.iso || return 1
  local name recorded
  for name in TEXT.TXT MIXED.BIN ZEROS.BIN SHORT.TXT; do
    recorded=$(isoinfo -l -i image.iso | awk -v n="$name;1" '$NF == n {print $5}')
    ((recorded > 0 && recorded < $(stat -c %s "src/${name,,}"))) || { echo "$name is not compressed"; return 1; }
  done
}
# broken_zisofs IMAGE SET: a one-member set of IMAGE with TEXT.TXT's magic
# and a deflate byte of MIXED.BIN's third block changed.
broken_zisofs() {
  python3 - "$1" "$2" "$(isoinfo -l -i "$1")" << 'EOF_BREAK'
import re, struct, sys
image = bytearray(open(sys.argv[1], "rb").read())
sector = {m.group(2): int(m.group(1)) for m in re.finditer(r"\[ *(\d+) 00\]  (\S+);1", sys.argv[3])}
text, mixed = sector["TEXT.TXT"] * 2048, sector["MIXED.BIN"] * 2048
image[text] ^= 0xFF
start, end = struct.unpack_from("<2I", image, mixed + 16 + 2 * 4)
image[mixed + (start + end) // 2] ^= 0x55
open(sys.argv[2], "wb").write(bytes(304) + image)
EOF_BREAK
}
master_zisofs_32k() { master_zisofs 32k; }
master_zisofs_128k() { master_zisofs 128k; }
# mkudffs writes UDF 2.50 for write-once media only: the image ends with
# its virtual allocation table, as a closed disc does.
master_empty_udf250() {
  truncate -s 16M image.iso && mkudffs --media-type=bdr --udfrev=0x0250 --label=EMPTY image.iso > mkudffs.log &&
    truncate -s $((($(sed -n 's/^vatblock=//p' mkudffs.log) + 1) * 2048)) image.iso
}

# copy_data IMAGE FROM COUNT MEMBER AT: COUNT bytes of IMAGE from FROM into
# MEMBER at AT, only where IMAGE holds data: holes stay holes, unread.
copy_data() {
  python3 - "$@" << 'EOF_COPY'
import os, sys
image, start, count, member, at = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], int(sys.argv[5])
src, dst = os.open(image, os.O_RDONLY), os.open(member, os.O_WRONLY | os.O_CREAT, 0o644)
pos, end = start, start + count
while pos < end:
    try:
        pos = os.lseek(src, pos, os.SEEK_DATA)
    except OSError:  # only a hole is left
        break
    stop = min(os.lseek(src, pos, os.SEEK_HOLE), end)
    while pos < stop:
        chunk = os.pread(src, min(stop - pos, 1 << 20), pos)
        os.pwrite(dst, chunk, at + pos - start)
        pos += len(chunk)
os.ftruncate(dst, max(os.fstat(dst).st_size, at + count))
EOF_COPY
}

# cut_set IMAGE BASE: NAME.pdi, NAME.pdi01, ... cut inside the volume
# descriptors, at odd places a third and two thirds in, and 12,345 bytes
# past 4 GiB of image when the image is that large; holes stay holes.
cut_set() {
  local image=$1 base=$2 total start=0 k=0 cut
  total=$(($(stat -c %s "$image") + SET_HEADER_SIZE))
  local cuts=($(stream_position 16 161) $((total / 3 | 1)) $((total * 2 / 3 + 777)))
  ((total > FOUR_GIB + 100000)) && cuts+=($((SET_HEADER_SIZE + FOUR_GIB + 12345)))
  mapfile -t cuts < <(printf '%s\n' "${cuts[@]}" | sort -n -u)
  printf 'whole disc test set %s\n' "$base" | dd of="$(member_name "$base" 0)" bs=$SET_HEADER_SIZE conv=sync status=none
  for cut in "${cuts[@]}" "$total"; do
    local from=$((start > SET_HEADER_SIZE ? start - SET_HEADER_SIZE : 0)) seek=$((k == 0 ? SET_HEADER_SIZE : 0))
    copy_data "$image" $from $((cut - start - seek)) "$(member_name "$base" $k)" $seek
    start=$cut k=$((k + 1))
  done
}

# listing DIR [LEAVE_OUT]: every entry below DIR: path, type, then size and
# modification time (files), link target (links).
listing() {
  (cd "$1" && find . -mindepth 1 ! -path "./${2:-}" \( -type f -printf '%P\tf\t%s\t%T@\n' -o \
    -type l -printf '%P\tl\t%l\n' -o -type d -printf '%P\td\n' -o -printf '%P\t?\n' \)) |
    sed -E 's/^([^\t]*\tf\t[0-9]+\t[0-9]+)\.[0-9]+$/\1/' | LC_ALL=C sort
}
same_listing() { diff <(listing "$1") <(listing "$2" "$3"); }
# same_bytes EXTRACTED MOUNTED: every file of EXTRACTED equals its mounted twin.
same_bytes() {
  local bad=0 f
  while IFS= read -r -d '' f; do cmp "$1/$f" "$2/$f" || bad=1; done < <(cd "$1" && find . -type f -print0)
  return $bad
}
# same_regions A B: equal sizes, and equal bytes where the big file's data lies.
same_regions() {
  [[ $(stat -c %s "$1") == $(stat -c %s "$2") ]] || { echo "sizes $(stat -c %s "$1") and $(stat -c %s "$2")"; return 1; }
  local size at
  size=$(stat -c %s "$1")
  for at in 0 $((FOUR_GIB - 2097152)) $((size - 4194304)); do
    ((at < 0)) && at=0
    cmp -i $at -n 4194304 "$1" "$2" || return 1
  done
}
# The big file as quarnex names it (the plain ISO 9660 name; the mount
# shows the Rock Ridge name xorriso adds, big.bin).
readonly BIG_NAME=BIG.BIN
# -l shows it once, with its whole length.
listed_once_whole() {
  [[ $(grep -c "$BIG_NAME" "$1") == 1 ]] && grep -q "$BIG_NAME.* $BIG\b" "$1" || { cat "$1"; return 1; }
}
quarnex_run() {  # quarnex_run LOG ARGS...: quarnex in the set's folder, stdin closed
  local log=$1
  shift
  (cd set && "$quarnex" "$@" < /dev/null > "../$log" 2>&1)
}

# The table: case, master, judge (bsdtar, 7zz or udfinfo), the member named
# to the mount (0 the first, 2 the third, or "base" for the set without ".pdi").
cases=(
  "rr-joliet     master_rr_joliet     bsdtar  0"
  "joliet        master_joliet        bsdtar  2"
  "plain         master_plain         bsdtar  base"
  "udf-bridge    master_udf_bridge    bsdtar  0"
  "udf-only      master_udf_only      7zz     1"
  "deep-rr       master_deep_rr       bsdtar  0"
  "over-4gib     master_big           bsdtar  0"
  "empty-udf250  master_empty_udf250  udfinfo 0"
  "udf-pycdlib   master_udf_pycdlib   7zz     0"
  "wrong-parents master_wrong_parents bsdtar  1"
  "rr-links      master_rr_links      bsdtar  0"
  "zisofs-32k    master_zisofs_32k    bsdtar  0"
  "zisofs-128k   master_zisofs_128k   bsdtar  1"
)
for row in "${cases[@]}"; do
  read -r name master judge member <<< "$row"
  [[ ${#only[@]} -gt 0 && " ${only[*]} " != *" $name "* ]] && continue
  dir=$work/$name
  mkdir -p "$dir/set" "$dir/mnt" "$dir/x" && cd "$dir" || exit 1
  if ! $master > master.log 2>&1; then
    check "$name: mastering" sh -c "cat master.log; false"
    continue
  fi
  cut_set image.iso set/disc
  case $member in base) arg=set/disc ;; *) arg=set/$(member_name disc "$member") ;; esac
  case $judge in
    # Read in 1 MiB blocks: the holes of the big image go fast.
    bsdtar) (cd x && bsdtar -b 2048 -x -S -f ../image.iso) ;;
    7zz) (cd x && 7zz x -y -snl ../image.iso > /dev/null) ;;
    udfinfo) [[ $(udfinfo image.iso | sed -n 's/^numfiles=//p;s/^numdirs=//p' | paste -sd ' ') == "0 1" ]] ||
               check "$name: udfinfo sees an empty volume" false ;;
  esac
  if ! "$mount_program" "$arg" mnt 2> mount.err; then
    check "$name: mounted from $arg" sh -c "cat mount.err; false"
    cd "$work" && continue
  fi
  mounted+=("$dir/mnt")
  check "$name: every entry as $judge sees it (names, types, sizes, times, links)" same_listing x mnt disc.iso
  if [[ $name == over-4gib ]]; then
    check "$name: small.txt as $judge extracts it" cmp x/small.txt mnt/small.txt
    check "$name: big.bin's data at its start, around 4 GiB and at its end" same_regions src/big.bin mnt/big.bin
    check "$name: the mounted .iso is the image (where it holds data)" same_regions image.iso mnt/disc.iso
  else
    check "$name: every file's bytes as $judge extracts them" same_bytes x mnt
    check "$name: the mounted .iso is the unsplit image" cmp image.iso mnt/disc.iso
  fi
  check "$name: nothing read as an error" sh -c "! grep -i 'error\|cannot' mount.err"
  check "$name: unmount" fusermount3 -u mnt && unset 'mounted[${#mounted[@]}-1]'
  if [[ $name == over-4gib ]]; then
    rm -rf x
    quarnex_run list.log -l disc.pdi
    check "$name: quarnex -l shows $BIG_NAME once, whole" listed_once_whole list.log
    mkdir -p set/out
    quarnex_run extract.log -d out disc.pdi
    check "$name: quarnex extracts $BIG_NAME whole" same_regions src/big.bin "set/out/$BIG_NAME"
    rm -rf set/out
    quarnex_run convert.log -i converted disc.pdi
    check "$name: quarnex -i writes the unsplit image" same_regions image.iso set/converted.iso
    rm -f set/converted.iso
  fi
  # zisofs files that break the format's rules read as errors, each noted
  # once: the text file with its header's magic changed, the mixed file with
  # a block's deflate bytes changed (its pointers still right).
  if [[ $name == zisofs-32k ]]; then
    broken_zisofs image.iso set/broken.pdi && "$mount_program" set/broken.pdi mnt 2> broken.err &&
      mounted+=("$dir/mnt") || check "$name: the broken disc mounted" sh -c "cat broken.err; false"
    check "$name: broken zisofs files read as errors, twice; the others as before" bash -c 'cmp x/zeros.bin mnt/zeros.bin &&
      for f in text.txt mixed.bin text.txt mixed.bin; do cat "mnt/$f" 2>&1 > /dev/null | grep -q "Input/output error" || exit 1; done'
    check "$name: one note for each broken file" bash -c 'cat broken.err; [[ $(grep -c "/text.txt cannot be read" broken.err) == 1 &&
      $(grep -c "/mixed.bin cannot be read" broken.err) == 1 && $(wc -l < broken.err) == 2 ]]'
    check "$name: unmount the broken disc" fusermount3 -u mnt && unset 'mounted[${#mounted[@]}-1]'
  fi
  # No ISO 9660 directory: quarnex converts the set all the same.
  if [[ $name == udf-only ]]; then
    quarnex_run convert.log -i converted disc.pdi
    check "$name: quarnex -i writes the unsplit image" sh -c 'cmp image.iso set/converted.iso || { cat convert.log; false; }'
    rm -f set/converted.iso
  fi
  cd "$work" && rm -rf "$dir"
done
echo "$failures failed"
[[ $failures -eq 0 ]]
