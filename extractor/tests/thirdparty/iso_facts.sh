# What independent ISO 9660 readers say about a mastered image: the records
# of each directory as isoinfo lists them, file extents as xorriso reports
# them, and the volume size from the primary volume descriptor.

# iso_records IMAGE: one line per directory record, tab-separated:
#   directory path, extent, flags (hex as isoinfo prints them), size, name
iso_records() {
  isoinfo -l -i "$1" | awk '
    /^Directory listing of / { dir = substr($0, 22); next }
    match($0, /\[ *[0-9]+ +[0-9A-Fa-f]+\]  /) {
      head = substr($0, 1, RSTART - 1)
      bracket = substr($0, RSTART, RLENGTH)
      name = substr($0, RSTART + RLENGTH)
      sub(/ $/, "", name)
      split(head, f, " ")
      gsub(/[][]/, "", bracket)
      split(bracket, b, " ")
      printf "%s\t%d\t%s\t%s\t%s\n", dir, b[1], b[2], f[5], name
    }'
}

# directory_files IMAGE DIR: "extent name size" of the plain files (flags 0)
# of DIR ("/" or "/VIDEO_TS/"), in the order of their records.
directory_files() {
  iso_records "$1" | awk -F '\t' -v dir="$2" '$1 == dir && $3 == "00" { print $2, $5, $4 }'
}

# directory_extent IMAGE DIR: the sector where DIR's own records start.
directory_extent() {
  iso_records "$1" | awk -F '\t' -v dir="$2" '$1 == dir && $5 == "." { print $2; exit }'
}

# reported_files IMAGE DIR: "extent name size" of the files in DIR as xorriso
# reports them (names without version), sorted by name.
reported_files() {
  xorriso -indev "$1" -find "$2" -type f -exec report_lba 2>/dev/null |
    sed -nE "s|^File data lba: +[0-9]+ , +([0-9]+) , +[0-9]+ , +([0-9]+) , '(.*)'\$|\\1 \\3 \\2|p" |
    awk -v dir="$2" '{ path = $2; if (substr(path, 1, length(dir)) != dir) next
                       rest = substr(path, length(dir) + 1); if (index(rest, "/")) next
                       print $1, rest, $3 }' | sort -k2
}

# volume_sectors IMAGE: the volume's size in sectors, from its descriptor.
volume_sectors() {
  isoinfo -d -i "$1" | sed -n 's/^Volume size is: *//p'
}

# output_name RECORDED: the name quarnex gives the extracted file (without
# the version suffix and a trailing dot).
output_name() {
  local n=${1%;[0-9]*}
  echo "${n%.}"
}
