#!/usr/bin/env bash
# How fast quarnex converts and unpacks image sets, measured side by side with
# what people do instead on the same machine: joining the members by hand and
# stripping the header (cat | tail -c +305), dd with 20 MiB blocks, and cp of
# a single file of the image's size (a copy inside the kernel: the practical
# limit). One more row, kcopy+304, is the same kernel copy of the image file
# from its byte 304 on: its bytes then sit where the image bytes sit in the
# first member, off the page boundaries of the output, which cp never meets.
# It is what copy_file_range can do for this layout without quarnex around it.
#
# Makes a DVD-sized set (about 4.4 GiB in three members, cut inside sectors)
# and one of about 1 GiB, checks that quarnex's output is byte-identical to
# the image, runs every command several times, interleaved, and prints the
# median wall time, the peak resident memory and the ratios.
#
# Usage: bench/copy.sh [--small] [--build DIR] [--dir DIR] [--runs N]
#   --small      sets of about 64 and 256 MiB, 2 runs each (a quick check
#                that the script works; its numbers mean little)
#   --build DIR  build folder holding extractor/quarnex, tools/make_pdi_set
#                and tools/kernel_copy (default: build/native)
#   --dir DIR    folder for the work files (default: build/); a fresh
#                subfolder is made there and removed at the end
#   --runs N     runs of each command (default 5; --small: 2)
set -euo pipefail
export LC_ALL=C

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/native
parent=
small=0
runs=

usage() { sed -n '/^# Usage:/,/^[^#]/ s/^# \{0,1\}//p' "$0"; }
die() {
  echo "copy.sh: $*" >&2
  exit 1
}

while (($#)); do
  case $1 in
    --small) small=1; shift ;;
    --build) [[ $# -ge 2 ]] || die "--build needs a folder"; build=$2; shift 2 ;;
    --dir) [[ $# -ge 2 ]] || die "--dir needs a folder"; parent=$2; shift 2 ;;
    --runs) [[ $# -ge 2 && $2 =~ ^[1-9][0-9]*$ ]] || die "--runs needs a number"; runs=$2; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; die "unknown argument '$1'" ;;
  esac
done
[[ -n $runs ]] || runs=$((small ? 2 : 5))

quarnex=$build/extractor/quarnex
maker=$build/tools/make_pdi_set
kcopy=$build/tools/kernel_copy
[[ -x $quarnex ]] || die "no quarnex at $quarnex (build it with scripts/build.sh native, or give --build DIR)"
[[ -x $maker ]] || die "no make_pdi_set at $maker (give --build DIR)"
[[ -x $kcopy ]] || die "no kernel_copy at $kcopy (give --build DIR)"
[[ -x /usr/bin/time ]] || die "/usr/bin/time is missing (Debian package 'time')"
for tool in cat tail dd cp cmp sync df; do
  command -v "$tool" > /dev/null || die "$tool is missing"
done

# The sets: label, make_pdi_set options, member sizes (the last member takes
# the rest). Every cut lies inside a sector, so every member change splits one.
if ((small)); then
  labels=(64MiB 256MiB)
  set_options=("--vobs 3 --vob-size 24000000" "--vobs 3 --vob-size 97000000")
  set_cuts=("25000001 22000333" "100000001 95000333")
else
  labels=(1GiB 4.4GiB)
  set_options=("--vobs 3 --vob-size 390000000" "--vobs 5 --vob-size 989000000")
  set_cuts=("400000001 380000333" "1600000001 1599999333")
fi

# Room for every set, its reference image and one output at a time.
need_kib=65536
largest=0
for i in "${!labels[@]}"; do
  read -r -a opts <<< "${set_options[$i]}"
  vobs=${opts[1]} vob=${opts[3]}
  bytes=$((vobs * vob + 2 * 1024 * 1024))
  need_kib=$((need_kib + 2 * bytes / 1024))
  if ((bytes > largest)); then largest=$bytes; fi
done
need_kib=$((need_kib + largest / 1024 + need_kib / 10))
if [[ -z $parent ]]; then
  parent=$root/build
  mkdir -p "$parent"
fi
[[ -d $parent ]] || die "no folder $parent"
free_kib=$(df -Pk "$parent" | awk 'NR == 2 { print $4 }')
if ((free_kib < need_kib)); then
  die "not enough free disk space in $parent: $((free_kib / 1024)) MiB free, $((need_kib / 1024)) MiB needed (try --small or --dir)"
fi

work=$(mktemp -d "$parent/quarnex-bench.XXXXXX")
cleanup() { rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
out=$work/out

echo "quarnex copy benchmark, $(date '+%Y-%m-%d %H:%M %Z')"
echo "machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) memory," \
  "$(df -PT "$parent" | awk 'NR == 2 { print $2 }') file system; load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "quarnex: $quarnex"
echo "work folder: $work"
echo

# ---- the sets and their reference images ----------------------------------

declare -A set_name image image_bytes iso_bytes listing
mid_sector_check() {  # the cumulative member ends must lie inside sectors
  local end=0 c
  for c in "$@"; do
    end=$((end + c))
    if (((end - 304) % 2048 == 0)); then die "cut at byte $end of the stream falls on a sector boundary"; fi
  done
}
members_of() {  # sets the array m to the members of the set named $1
  m=("$1.pdi" "$1.pdi01" "$1.pdi02")
}

for i in "${!labels[@]}"; do
  label=${labels[$i]}
  read -r -a opts <<< "${set_options[$i]}"
  read -r -a cuts <<< "${set_cuts[$i]}"
  mid_sector_check "${cuts[@]}"
  cut_args=()
  for c in "${cuts[@]}"; do cut_args+=(--cut "$c"); done
  name=$work/set-$label
  echo "making the $label set: make_pdi_set ${opts[*]} ${cut_args[*]}"
  "$maker" "${opts[@]}" "${cut_args[@]}" "$name" > /dev/null
  members_of "$name"
  [[ -e ${m[2]} && ! -e $name.pdi03 ]] || die "expected three members of the $label set"
  set_name[$label]=$name
  # The reference: the members joined and the 304-byte header dropped.
  image[$label]=$work/image-$label.img
  cat "${m[@]}" | tail -c +305 > "${image[$label]}"
  image_bytes[$label]=$(stat -c %s "${image[$label]}")
  # "first sector, name, bytes" of every file, from quarnex's listing;
  # quarnex copies whole sectors, so the conversion ends with the last whole
  # sector of the last file.
  listing[$label]=$("$quarnex" -l "$name" < /dev/null 2> /dev/null |
    sed -nE 's/^\[ *([0-9]+)\] +([^ ]+) +([0-9]+) .*/\1 \2 \3/p')
  iso_bytes[$label]=$(awk '{ end = ($1 + int($3 / 2048)) * 2048; if (end > max) max = end } END { printf "%.0f\n", max }' <<< "${listing[$label]}")
  [[ ${iso_bytes[$label]} -gt 0 ]] || die "could not read the listing of the $label set"
  ls -l "${m[@]}" | awk '{ print "  " $5 "  " $NF }'
done
echo

# ---- the commands -----------------------------------------------------------

tools=("quarnex -i" "quarnex -d" "cat-tail" "dd bs=20M" "cp" "kcopy+304")

# Runs one command on one set under /usr/bin/time, its output in $out and
# its peak resident memory in $work/memory. quarnex and cp are timed on their
# own; the pipelines through sh, whose peak is that of its largest process.
run_tool() {  # run_tool TOOL LABEL
  local tool=$1 label=$2
  local -a m timed=(/usr/bin/time -f %M -o "$work/memory")
  members_of "${set_name[$label]}"
  case $tool in
    "quarnex -i")
      "${timed[@]}" "$quarnex" -i "$out/image.iso" "${set_name[$label]}" < /dev/null > /dev/null 2>> "$work/quarnex.log" ;;
    "quarnex -d")
      "${timed[@]}" "$quarnex" -d "$out" "${set_name[$label]}" < /dev/null > /dev/null 2>> "$work/quarnex.log" ;;
    "cat-tail")
      "${timed[@]}" sh -c 'o=$1; shift; cat "$@" | tail -c +305 > "$o"' sh "$out/image.img" "${m[@]}" ;;
    "dd bs=20M")
      # The same bytes as cat-tail: the first member from byte 304 on, then
      # the others whole, each in 20 MiB blocks.
      "${timed[@]}" sh -c 'o=$1; first=$2; shift 2
        { dd if="$first" bs=20M iflag=skip_bytes skip=304 status=none &&
          for f in "$@"; do dd if="$f" bs=20M status=none || exit 1; done; } > "$o"' \
        sh "$out/image.img" "${m[@]}" ;;
    "cp")
      "${timed[@]}" cp "${image[$label]}" "$out/image.img" ;;
    "kcopy+304")
      "${timed[@]}" "$kcopy" "${image[$label]}" 304 "$out/image.img" ;;
  esac
}

# Checks the output of one command against the reference image.
check_output() {  # check_output TOOL LABEL
  local tool=$1 label=$2 ref=${image[$label]}
  case $tool in
    "quarnex -i")
      local size
      size=$(stat -c %s "$out/image.iso")
      [[ $size == "${iso_bytes[$label]}" ]] ||
        die "quarnex -i on the $label set wrote $size bytes, expected ${iso_bytes[$label]}"
      cmp -n "$size" "$out/image.iso" "$ref" ||
        die "quarnex -i on the $label set: the .iso differs from the image"
      ;;
    "quarnex -d")
      local sector file bytes count=0
      while read -r sector file bytes; do
        file=${file%;1}
        bytes=$((bytes / 2048 * 2048))
        [[ $(stat -c %s "$out/$file") == "$bytes" ]] || die "quarnex -d on the $label set: $file has the wrong size"
        cmp -n "$bytes" "$out/$file" "$ref" 0 $((sector * 2048)) ||
          die "quarnex -d on the $label set: $file differs from the image"
        count=$((count + 1))
      done <<< "${listing[$label]}"
      [[ $count -gt 0 && $(ls "$out" | wc -l) == "$count" ]] || die "quarnex -d on the $label set: not every file was written"
      ;;
    "kcopy+304")
      [[ $(stat -c %s "$out/image.img") == $((image_bytes[$label] - 304)) ]] &&
        cmp "$out/image.img" "$ref" 0 304 || die "$tool on the $label set: the copy differs from the image"
      ;;
    *)
      cmp "$out/image.img" "$ref" || die "$tool on the $label set: the copy differs from the image"
      ;;
  esac
}

# ---- interleaved runs ---------------------------------------------------------

declare -A times disk_times mems
pairs=()
for label in "${labels[@]}"; do
  for tool in "${tools[@]}"; do pairs+=("$label|$tool"); done
done

# Every input is read once first, so that all commands find it in the page
# cache alike.
for label in "${labels[@]}"; do
  members_of "${set_name[$label]}"
  cat "${m[@]}" "${image[$label]}" > /dev/null
done

# Each round runs the commands in a new order, shuffled with the round as
# the seed, so that no command always follows the same one (the one before
# leaves the page cache and the file system in its own state).
echo "running every command $runs times, interleaved ..."
for ((r = 0; r < runs; r++)); do
  mapfile -t order < <(printf '%s\n' "${pairs[@]}" | awk -v seed=$((r + 1)) 'BEGIN { srand(seed) } { print rand() "\t" $0 }' | sort -n | cut -f2-)
  for pair in "${order[@]}"; do
    label=${pair%%|*} tool=${pair#*|}
    rm -rf "$out"
    mkdir -p "$out"
    sync
    start=${EPOCHREALTIME/./}
    if ! run_tool "$tool" "$label"; then
      tail -n 5 "$work/quarnex.log" >&2 2> /dev/null || true
      die "$tool on the $label set failed"
    fi
    end=${EPOCHREALTIME/./}
    sync
    synced=${EPOCHREALTIME/./}
    times[$pair]+="$((end - start)) "
    disk_times[$pair]+="$((synced - start)) "
    mems[$pair]+="$(tail -n 1 "$work/memory") "
    if ((r == 0)); then check_output "$tool" "$label"; fi
  done
  echo "  run $((r + 1)) of $runs done"
done
rm -rf "$out"
echo "every output was checked against the image: identical"
echo

# ---- the report -----------------------------------------------------------------

median() { tr ' ' '\n' | awk 'NF' | sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) printf "%.0f\n", v[(NR + 1) / 2]; else printf "%.0f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
declare -A med_us med_disk_us med_kib
for pair in "${pairs[@]}"; do
  med_us[$pair]=$(median <<< "${times[$pair]}")
  med_disk_us[$pair]=$(median <<< "${disk_times[$pair]}")
  med_kib[$pair]=$(median <<< "${mems[$pair]}")
done

echo "warm cache: the inputs were in the page cache (caches were not dropped)."
echo "Every run starts after sync. \"median s\" is the command's wall time: its"
echo "output is then in the page cache, partly written back already. \"to disk s\""
echo "adds the sync after it: the time until the output is on the disk."
echo
printf '%-7s %-11s %14s %9s %8s %8s %10s %8s %13s\n' set command "image bytes" "median s" "min s" "max s" "to disk s" "MiB/s" "peak RSS MiB"
for pair in "${pairs[@]}"; do
  label=${pair%%|*} tool=${pair#*|}
  read -r lo hi <<< "$(tr ' ' '\n' <<< "${times[$pair]}" | awk 'NF' | sort -n | awk 'NR == 1 { lo = $1 } { hi = $1 } END { print lo, hi }')"
  awk -v l="$label" -v t="$tool" -v b="${image_bytes[$label]}" -v m="${med_us[$pair]}" -v lo="$lo" -v hi="$hi" \
    -v d="${med_disk_us[$pair]}" -v k="${med_kib[$pair]}" \
    'BEGIN { printf "%-7s %-11s %14.0f %9.3f %8.3f %8.3f %10.3f %8.0f %13.1f\n", l, t, b, m / 1e6, lo / 1e6, hi / 1e6, d / 1e6, b / 1048576 / (m / 1e6), k / 1024 }'
done
echo
echo "every run, in seconds (command / with sync), in the order run:"
for pair in "${pairs[@]}"; do
  read -r -a a <<< "${times[$pair]}"
  read -r -a b <<< "${disk_times[$pair]}"
  line=""
  for i in "${!a[@]}"; do line+=$(awk -v x="${a[$i]}" -v y="${b[$i]}" 'BEGIN { printf " %.2f/%.2f", x / 1e6, y / 1e6 }'); done
  printf '  %-7s %-11s%s\n' "${pair%%|*}" "${pair#*|}" "$line"
done
echo

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v g="$2" 'BEGIN { print (v <= g) ? "held" : "MISSED" }'; }
printf '%-32s' "ratio of median times"
for label in "${labels[@]}"; do printf '%10s' "$label"; done
printf '   goal\n'
for row in "quarnex -i|cp|1.15" "quarnex -i|cat-tail|0.70" "quarnex -d|cp|" "quarnex -d|cat-tail|" "dd bs=20M|cp|" \
  "kcopy+304|cp|" "quarnex -i|kcopy+304|" "quarnex -d|kcopy+304|"; do
  IFS='|' read -r a b goal <<< "$row"
  printf '%-32s' "$a / $b"
  line=""
  for label in "${labels[@]}"; do
    v=$(ratio "${med_us[$label|$a]}" "${med_us[$label|$b]}")
    printf '%10s' "$v"
    [[ -z $goal ]] || line+=" $(verdict "$v" "$goal")"
  done
  if [[ -n $goal ]]; then printf '   <= %s:%s\n' "$goal" "$line"; else printf '\n'; fi
done
for row in "quarnex -i|cp" "quarnex -i|cat-tail"; do
  IFS='|' read -r a b <<< "$row"
  printf '%-32s' "$a / $b, to disk"
  for label in "${labels[@]}"; do printf '%10s' "$(ratio "${med_disk_us[$label|$a]}" "${med_disk_us[$label|$b]}")"; done
  printf '\n'
done
echo

lo=${labels[0]} hi=${labels[1]}
# The goal for the DVD-sized set: at most 4.8 times the time of 1 GiB; for
# other sizes the same margin over the ratio of the bytes.
growth_goal=4.80
if ((small)); then
  growth_goal=$(awk -v b="$(ratio "${image_bytes[$hi]}" "${image_bytes[$lo]}")" 'BEGIN { printf "%.2f", b * 4.8 / 4.4 }')
fi
echo "growth of the median time from $lo to $hi (bytes x$(ratio "${image_bytes[$hi]}" "${image_bytes[$lo]}"))"
for tool in "${tools[@]}"; do
  v=$(ratio "${med_us[$hi|$tool]}" "${med_us[$lo|$tool]}")
  vd=$(ratio "${med_disk_us[$hi|$tool]}" "${med_disk_us[$lo|$tool]}")
  if [[ $tool == quarnex* ]]; then
    printf '  %-11s x%s (to disk x%s)   goal <= x%s: %s\n' "$tool" "$v" "$vd" "$growth_goal" "$(verdict "$v" "$growth_goal")"
  else
    printf '  %-11s x%s (to disk x%s)\n' "$tool" "$v" "$vd"
  fi
done
peak=0
for label in "${labels[@]}"; do
  for tool in "quarnex -i" "quarnex -d"; do
    for k in ${mems[$label|$tool]}; do
      if ((k > peak)); then peak=$k; fi
    done
  done
done
echo "largest peak RSS of quarnex in any run: $(awk -v k="$peak" 'BEGIN { printf "%.1f", k / 1024 }') MiB" \
  "(goal <= 24 MiB: $(verdict "$peak" $((24 * 1024))))"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
if ((small)); then echo "(a --small run: sets this small say little about the goals)"; fi
exit 0
