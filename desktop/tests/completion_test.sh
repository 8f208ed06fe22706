#!/usr/bin/env bash
# bash completion of quarnex and quarnex-mount in an interactive bash with
# bash-completion and our files sourced, driven through COMP_WORDS in a
# folder holding a set. The names a set completes to are the ones isoinfo
# lists in its image.
# Usage: completion_test.sh COMPLETIONS_DIR QUARNEX MAKE_PDI_SET
set -uo pipefail
completions=$(realpath "$1") make_pdi_set=$(realpath "$3")
tmp=$(mktemp -d "${TMPDIR:-/tmp}/quarnex-completion.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT
bin=$tmp/bin
mkdir "$bin" && ln -s "$(realpath "$2")" "$bin/quarnex"
mkdir "$tmp/work" && cd "$tmp/work" || exit 1
"$make_pdi_set" movie > /dev/null || exit 1
mkdir mnt sub && touch notes.txt other.iso
# The image less the header; isoinfo's names of the plain files (flags 00)
# of the directory at sector 69.
cat movie.pdi* | tail -c +305 > "$tmp/disc.img"
names=$(isoinfo -l -i "$tmp/disc.img" | awk '/\[ *69 02\]  \.  *$/ { here = 1; next }
  /^Directory listing of/ { here = 0 } here && /^-/ && /\[ *[0-9]+ 00\]/ { print $NF }' | sort | tr '\n' ' ')
vts01=$(tr ' ' '\n' <<< "$names" | grep '^VTS_01_0' | tr '\n' ' ')

# complete LINE: what completing LINE's last word offers, sorted, one line.
complete_line() {
  PATH=$bin:$PATH bash --norc --noprofile -i -c '
    source /usr/share/bash-completion/bash_completion
    source "$1/quarnex"; source "$1/quarnex-mount"
    COMP_LINE=$2 COMP_POINT=${#2}
    read -ra COMP_WORDS <<< "$2"
    [[ $2 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    $(complete -p "${COMP_WORDS[0]}" | sed "s/.*-F \([^ ]*\) .*/\1/") "${COMP_WORDS[0]}" "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
    ((${#COMPREPLY[@]})) && printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' _ "$completions" "$1" 2> /dev/null
}

failed=0
while IFS='|' read -r line want; do
  want=${want//@NAMES@/$names}
  want=${want//@VTS01@/$vts01}
  got=$(complete_line "$line")
  if [[ $got == "$want" ]]; then echo "ok   '$line'"; else echo "FAIL '$line': '$got', not '$want'"; failed=1; fi
done << 'TABLE'
quarnex-mount -|--help --version -d -f -h -o 
quarnex-mount mo|movie.pdi movie.pdi01 movie.pdi02 
quarnex-mount -f movie.pdi01 |mnt sub 
quarnex-mount -o allow_other,au|allow_other,auto_unmount 
quarnex-mount movie.pdi mnt |
quarnex -|-d -gb -gf -gl -gs -i -l -m -n -r -v -x 
quarnex mo|movie.pdi 
quarnex -m |mnt sub 
quarnex -i |mnt other.iso sub 
quarnex -v movie |@NAMES@
quarnex -d sub movie.pdi vts_01_0|@VTS01@
quarnex gone |
TABLE
[[ -n $names ]] || { echo "FAIL isoinfo lists no name"; failed=1; }
exit $failed
