# Saving an image as a .pdi set: a 304-byte header, then the image bytes,
# cut into members NAME.pdi, NAME.pdi01, ... at given byte positions of that
# stream (header included).

readonly SET_HEADER_SIZE=304
readonly SECTOR_SIZE=2048

# member_name SETBASE K: the name of member K of the set SETBASE.pdi.
member_name() {
  if (($2 == 0)); then echo "$1.pdi"; else printf '%s.pdi%02d\n' "$1" "$2"; fi
}

# write_set IMAGE SETBASE CUT...: writes the members; the cuts must be
# ascending positions inside the stream.
write_set() {
  local image=$1 base=$2
  shift 2
  local stream=$base.stream
  { printf 'third-party test set %s\n' "${base##*/}"
    yes 'HEADER PATTERN 0123456789' | tr -d '\n'; } 2>/dev/null | head -c $SET_HEADER_SIZE > "$stream"
  cat "$image" >> "$stream"
  local total start=0 k=0 cut
  total=$(stat -c %s "$stream")
  for cut in "$@" "$total"; do
    dd if="$stream" of="$(member_name "$base" $k)" iflag=skip_bytes,count_bytes \
      skip=$start count=$((cut - start)) bs=1M status=none
    start=$cut
    k=$((k + 1))
  done
  rm -f "$stream"
}

# set_members SETBASE: the member files that exist, in order.
set_members() {
  local k=0 name
  while name=$(member_name "$1" $k) && [[ -e $name ]]; do
    echo "$name"
    k=$((k + 1))
  done
}

# copy_set SETBASE NEWBASE: a copy of every member under the new base name.
copy_set() {
  local k=0 name
  while name=$(member_name "$1" $k) && [[ -e $name ]]; do
    cp "$name" "$(member_name "$2" $k)"
    k=$((k + 1))
  done
}

# Positions in the stream: byte OFFSET of image sector S.
stream_position() { echo $((SET_HEADER_SIZE + $1 * SECTOR_SIZE + $2)); }
