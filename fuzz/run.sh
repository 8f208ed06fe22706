#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each one for a time budget.
#
#   fuzz/run.sh [SECONDS [AT_ONCE]]   seconds per target, default 30;
#                                     targets run at once, default 1
#   fuzz/run.sh --build-only          builds them, runs none
#
# The corpus grows in build/fuzz/corpus/TARGET and is kept between runs; the
# seeds are made anew by the example-set maker. A crash leaves its input in
# build/fuzz/artifacts and makes the script fail; replay it with
#   build/fuzz/TARGET_fuzzer build/fuzz/artifacts/TARGET-crash-...
# Each target's executions and findings are written to build/fuzz/results.tsv
# (the reliability table is made from it).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build_only=false
[[ ${1:-} == --build-only ]] && build_only=true && shift
seconds=${1:-30}
at_once=${2:-1}
build=${QUARNEX_FUZZ_BUILD:-$root/build/fuzz}

if ! command -v clang++ > /dev/null; then
  echo "fuzz: clang++ is missing (apt-get install clang)" >&2
  exit 1
fi
mkdir -p "$build"
generator=()
[[ ! -f $build/CMakeCache.txt ]] && command -v ninja > /dev/null && generator=(-G Ninja)
cmake -S "$here" -B "$build" "${generator[@]}" -DCMAKE_CXX_COMPILER=clang++ > "$build/configure.log" 2>&1 ||
  { cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j "$(nproc)" > "$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }
$build_only && exit 0

rm -rf "$build/seeds"
"$build/make_fuzz_seeds" "$build/seeds" || exit 1
# UDF seeds: small volumes from the mastering tools, packed as the target
# reads them (a u32 sector count, then each sector that is not all zeros
# after its u32 number).
udf_work=$build/seeds/udf_work
mkdir -p "$build/seeds/udf_tree" "$udf_work/tree/folder/inner"
echo "a file" > "$udf_work/tree/folder/inner/Long name, ünïcode.txt"
head -c 5000 /dev/zero | tr '\0' x > "$udf_work/tree/five_thousand"
mkudffs --media-type=hd --udfrev=2.01 -b 2048 "$udf_work/hd.udf" 300 > /dev/null 2>&1
mkudffs --media-type=hd --udfrev=1.02 --ad=long --noefe -b 2048 "$udf_work/long.udf" 300 > /dev/null 2>&1
mkudffs --media-type=bdr --udfrev=2.50 -b 2048 "$udf_work/bdr.udf" 400 > /dev/null 2>&1
mkudffs --media-type=cdrw --udfrev=1.50 -b 2048 "$udf_work/sparable.udf" 2000 > /dev/null 2>&1
genisoimage -quiet -udf -no-pad -o "$udf_work/bridge.iso" "$udf_work/tree" 2> /dev/null
# Seeds changed from it: on a metadata partition, and with a folder's record
# naming the folder above it.
"$build/make_fuzz_seeds" --udf "$udf_work/bridge.iso" "$udf_work" || exit 1
# ISO 9660 seeds: Rock Ridge with a relocated deep folder and a long link
# (continuation areas), Joliet only, plain, and a xorriso Rock Ridge tree.
iso_work=$build/seeds/iso_work
mkdir -p "$build/seeds/iso_tree" "$iso_work/tree/d1/d2/d3/d4/d5/d6/d7/d8/d9"
echo "a file" > "$iso_work/tree/d1/d2/d3/d4/d5/d6/d7/d8/d9/Long name, ünïcode.txt"
ln -sfn "/a/$(printf 'c%.0s' {1..120})/$(printf 'd%.0s' {1..120})/end" "$iso_work/tree/long_link"
genisoimage -quiet -R -J -joliet-long -no-pad -o "$iso_work/rock_ridge.iso" "$iso_work/tree" 2> /dev/null
genisoimage -quiet -J -no-pad -o "$iso_work/joliet.iso" "$iso_work/tree" 2> /dev/null
genisoimage -quiet -no-pad -o "$iso_work/plain.iso" "$iso_work/tree" 2> /dev/null
xorriso -as mkisofs -quiet -R -o "$iso_work/xorriso.iso" "$iso_work/tree" > /dev/null 2>&1
# The Rock Ridge disc with records naming ancestors and ".." records that lie.
"$build/make_fuzz_seeds" --iso "$iso_work/rock_ridge.iso" "$iso_work" || exit 1
# zisofs: a disc of a file xorriso compresses, and that disc with hostile
# ZF entries (block size 2^40, no header, size 2^32 - 1).
seq 1 30000 > "$iso_work/tree/d1/counted.txt"
xorriso -outdev "$iso_work/zisofs.iso" -zisofs level=9 -map "$iso_work/tree" / -set_filter_r --zisofs / -- \
  -commit > /dev/null 2>&1
rm "$iso_work/tree/d1/counted.txt"
python3 - "$iso_work" "$build/seeds/zisofs_file" << 'EOF_ZISOFS' || exit 1
import os, struct, sys
work, out = sys.argv[1], sys.argv[2]
image = open(os.path.join(work, "zisofs.iso"), "rb").read()
at = image.index(b"ZF\x10\x01pz") + 6
open(os.path.join(work, "zisofs_hostile.iso"), "wb").write(image[:at] + bytes([0, 40]) + b"\xff" * 8 + image[at + 10:])
# The zisofs_file seed: xorriso's compressed file as the target reads it
# (header words, block size log2, real size, read step, then the file).
at = image.index(bytes.fromhex("37E45396C9DBD607"))
size, words, log2 = struct.unpack_from("<IBB", image, at + 8)
os.makedirs(out, exist_ok=True)
open(os.path.join(out, "xorriso"), "wb").write(struct.pack("<BBIH", words, log2, size, 1000) + image[at:at + 65536])
EOF_ZISOFS
for pair in "$udf_work:$build/seeds/udf_tree" "$iso_work:$build/seeds/iso_tree"; do
python3 - "${pair%%:*}" "${pair#*:}" << 'EOF_PACK' || exit 1
import os, struct, sys
work, out = sys.argv[1], sys.argv[2]
for name in sorted(os.listdir(work)):
    path = os.path.join(work, name)
    if not os.path.isfile(path):
        continue
    data = open(path, "rb").read()
    count = len(data) // 2048
    packed = [struct.pack("<I", count)]
    for i in range(count):
        sector = data[i * 2048:(i + 1) * 2048]
        if any(sector):
            packed.append(struct.pack("<I", i) + sector)
    open(os.path.join(out, name), "wb").write(b"".join(packed))
EOF_PACK
done

declare -A options=(
  [directory_image]="-max_len=164144 -rss_limit_mb=4096 -close_fd_mask=2"
  [command_line]="-max_len=512 -dict=$here/command_line.dict"
  [image_set_reader]="-max_len=200000"
  [extraction_plan]="-max_len=256"
  [udf_tree]="-max_len=300000"
  [iso_tree]="-max_len=300000"
  [zisofs_file]="-max_len=160000"
)
results=$build/results.tsv
: > "$results"
targets=(directory_image command_line image_set_reader extraction_plan udf_tree iso_tree zisofs_file)
# fuzz_one TARGET: runs it; what it found goes to $build/TARGET.summary, its
# row of the results to $build/TARGET.row; fails when it found something.
fuzz_one() {
  local target=$1 corpus=$build/corpus/$1 log=$build/$1.log status runs said crashes=0
  mkdir -p "$corpus" "$build/artifacts"
  # shellcheck disable=SC2086
  "$build/${target}_fuzzer" ${options[$target]} -max_total_time="$seconds" -timeout=20 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
    "$corpus" $([[ -d $build/seeds/$target ]] && echo "$build/seeds/$target") > "$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  said="no finding"
  {
    echo "fuzz: $target for ${seconds}s"
    if [[ $status -ne 0 ]]; then
      crashes=1
      said=$(grep -m1 -E 'ERROR: |invariant broken|runtime error' "$log" || echo "exit status $status")
      tail -n 40 "$log"
    fi
    echo "fuzz: $target: ${runs:-0} inputs, status $status"
  } > "$build/$target.summary"
  printf 'Fuzzing (libFuzzer, ASan+UBSan)\t%s target, %ss\t%s\t%s\t-\t%s\t-\n' \
    "$target" "$seconds" "${runs:-0}" "$said" "$crashes" > "$build/$target.row"
  return $status
}
rm -f "$build"/*.summary "$build"/*.row
failed=0
running=0
for target in "${targets[@]}"; do
  if ((running >= at_once)); then
    wait -n || failed=1
    running=$((running - 1))
  fi
  fuzz_one "$target" &
  running=$((running + 1))
done
while ((running > 0)); do
  wait -n || failed=1
  running=$((running - 1))
done
for target in "${targets[@]}"; do
  cat "$build/$target.summary"
  cat "$build/$target.row" >> "$results"
done
exit $failed
