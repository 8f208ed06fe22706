# The images under test, mastered by third-party tools from files made here.
# Each master_KIND TOOL leaves image.iso in the current directory and sets:
#   SOURCE      the folder of originals that the listed directory must match
#   LISTED_DIR  that directory inside the image ("/VIDEO_TS/" or "/")
#   IS_DVD      1 for a DVD-Video, else 0
#   CUTS        byte positions in the set stream where members are cut
# It returns non-zero (after saying why) when the image is not what the case
# needs.

# random_file PATH SIZE: bytes that look random but are the same on every
# run (seeded by the file's name), so that a failure can be repeated.
random_file() {
  perl -e 'my ($seed, $n) = @ARGV; srand($seed);
           while ($n > 0) { my $k = $n < 65536 ? $n : 65536; $n -= $k;
                            print pack("C*", map { int rand 256 } 1 .. $k); }' \
    "$(cksum <<< "${1##*/}" | cut -d ' ' -f 1)" "$2" > "$1"
}

# An odd offset, so that no cut falls on a sector boundary.
odd() { echo $(($1 | 1)); }

# The recorded extent and size of NAME in LISTED_DIR.
file_extent() { directory_files image.iso "$LISTED_DIR" | awk -v n="$1" '$2 == n { print $1 }'; }
file_size() { directory_files image.iso "$LISTED_DIR" | awk -v n="$1" '$2 == n { print $3 }'; }

# Cuts relative to a file: inside its last partial sector, before or after
# its last byte; or in the middle of its data.
cut_in_tail() {  # cut_in_tail NAME before|after
  local e l r offset
  e=$(file_extent "$1") l=$(file_size "$1")
  r=$((l % SECTOR_SIZE))
  if [[ $2 == before ]]; then offset=$(odd $((r / 2))); else offset=$(odd $((r + (SECTOR_SIZE - r) / 2))); fi
  stream_position $((e + l / SECTOR_SIZE)) "$offset"
}
cut_in_middle() {  # cut_in_middle NAME
  local e l
  e=$(file_extent "$1") l=$(file_size "$1")
  echo $((SET_HEADER_SIZE + e * SECTOR_SIZE + $(odd $((l / 2)))))
}
cut_in_directory() { stream_position "$(directory_extent image.iso "$LISTED_DIR")" 333; }

# A few seconds of test picture and tone as a DVD-Video with the UDF bridge.
master_dvd() {
  [[ $1 == genisoimage ]] || { echo "no DVD-Video mastering with $1"; return 1; }
  ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i testsrc=size=720x576:rate=25 \
    -f lavfi -i sine=frequency=440:sample_rate=48000 -t 2 -target pal-dvd movie.mpg || return 1
  VIDEO_FORMAT=PAL dvdauthor -o disc -t movie.mpg > dvdauthor.log 2>&1 &&
    VIDEO_FORMAT=PAL dvdauthor -o disc -T >> dvdauthor.log 2>&1 || { cat dvdauthor.log; return 1; }
  genisoimage -quiet -dvd-video -udf -V QXDVD -o image.iso disc || return 1
  SOURCE=disc/VIDEO_TS LISTED_DIR=/VIDEO_TS/ IS_DVD=1
  local volume last_end
  volume=$(volume_sectors image.iso)
  last_end=$(directory_files image.iso /VIDEO_TS/ | awk '{ e = $1 + int(($3 + 2047) / 2048); if (e > m) m = e } END { print m }')
  if ((volume - 2 < last_end)); then
    echo "the volume ($volume sectors) ends with its last file (sector $last_end)"
    return 1
  fi
  # Inside the volume descriptor's root record, inside VIDEO_TS's records,
  # inside the title's video, and among the volume's closing sectors after
  # the last file.
  CUTS=("$(stream_position 16 161)" "$(cut_in_directory)" "$(cut_in_middle VTS_01_1.VOB\;1)"
        "$(stream_position $((volume - 2)) 1001)")
}

# A data disc with files of awkward sizes and a subdirectory.
master_data() {
  mkdir -p disc/SUB
  local size
  for size in 0:Z0.BIN 1:O1.BIN 7:NOEXT 2047:A2047.BIN 2048:B2048.BIN 2049:C2049.BIN \
              1000001:D1000001.BIN 3145733:E3145733.BIN 4321:SUB/INNER.TXT; do
    random_file "disc/${size#*:}" "${size%%:*}"
  done
  case $1 in
    genisoimage) genisoimage -quiet -V QXDATA -o image.iso disc ;;
    xorriso) xorriso -as mkisofs -quiet -J -V QXDATA -o image.iso disc 2> xorriso.log ;;
  esac || return 1
  SOURCE=disc LISTED_DIR=/ IS_DVD=0
  # Inside the root's records; in C2049's last sector after its byte; in
  # D1000001's last sector before its last byte; in the middle of E3145733;
  # after O1's one byte.
  CUTS=("$(cut_in_directory)" "$(cut_in_tail C2049.BIN\;1 after)" "$(cut_in_tail D1000001.BIN\;1 before)"
        "$(cut_in_middle E3145733.BIN\;1)" "$(cut_in_tail O1.BIN\;1 after)")
}

# Small files first, then a big one whose data covers image sector 69.
master_sector69() {
  mkdir -p disc
  local k
  for k in 1 2 3 4 5 6 7 8; do random_file "disc/A0$k.BIN" 5000; done
  random_file disc/ZBIG.BIN 1234567
  case $1 in
    genisoimage) genisoimage -quiet -V QX69 -o image.iso disc ;;
    xorriso) xorriso -as mkisofs -quiet -V QX69 -o image.iso disc 2> xorriso.log ;;
  esac || return 1
  SOURCE=disc LISTED_DIR=/ IS_DVD=0
  local e l
  e=$(file_extent ZBIG.BIN\;1) l=$(file_size ZBIG.BIN\;1)
  if ! ((e <= 69 && 69 < e + (l + SECTOR_SIZE - 1) / SECTOR_SIZE)); then
    echo "ZBIG.BIN covers sectors $e to $(((l - 1) / SECTOR_SIZE + e)), not sector 69"
    return 1
  fi
  # Inside the root's records, inside sector 69, in the big file's last
  # sector before its last byte.
  CUTS=("$(cut_in_directory)" "$(stream_position 69 555)" "$(cut_in_tail ZBIG.BIN\;1 before)")
}
