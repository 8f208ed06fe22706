#!/usr/bin/env bash
# Checks the packages in build/packages/ (made by scripts/package.sh) as a
# user would meet them: lintian on the .deb; the .deb unpacked into a
# throw-away root, its programs run, its manual pages rendered and its
# desktop files read by their tools; each zip
# unpacked into an empty folder, its imports checked, and the 64-bit
# programs started under Wine from that folder alone.
# Usage: packaging/test_packages.sh [PACKAGE_DIR [MAKE_PDI_SET]]
set -uo pipefail
title='QUARNPAD 0.7'

# Started again under xvfb-run: Quarnpad's window must appear on the screen.
if [[ ${1:-} == --window-appears ]]; then
  # The windows of a Wine server started earlier without a display (by the
  # quarnex.exe runs) would never reach this screen: that server ends first.
  wineserver -k > /dev/null 2>&1
  wineserver -w > /dev/null 2>&1
  wine "$2" > /dev/null 2>&1 < /dev/null &
  pid=$!
  found=1
  for _ in $(seq 60); do
    xdotool search --name "^$title\$" && { found=0; break; }
    sleep 1
  done
  kill "$pid" 2> /dev/null
  wineserver -k > /dev/null 2>&1
  exit $found
fi

cd "$(dirname "$0")/.."
root=$PWD
packages=$(realpath "${1:-build/packages}")
make_pdi_set=$(realpath "${2:-build/native/tools/make_pdi_set}")
tmp=$(mktemp -d "${TMPDIR:-/tmp}/quarnex-packages.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT
passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...: one line per check, and why it failed
  if ("${@:2}") > "$tmp/check.log" 2>&1; then
    passed=$((passed + 1))
    echo "ok   $1"
  else
    failed=$((failed + 1))
    echo "FAIL $1"
    sed 's/^/     /' "$tmp/check.log"
  fi
}
fail() { echo "$*"; exit 1; }  # ends the check's subshell

version=$(sed -n 's/^project(quarnex VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
deb=$packages/quarnex_${version}_amd64.deb

# The example set and what a reader of ISO 9660 other than ours finds in it:
# the members joined, less the 304-byte header, are the disc image, and
# isoinfo lists the plain files (flags 00) of the directory at sector 69.
mkdir -p "$tmp/set"
"$make_pdi_set" "$tmp/set/example" > /dev/null || exit 1
cat "$tmp"/set/example.pdi* | tail -c +305 > "$tmp/disc.iso"
isoinfo -l -i "$tmp/disc.iso" | awk '
  /^Directory listing of/ { here = 0 }
  $0 ~ /\[ *69 02\]  \.  *$/ { here = 1 }
  here && /^-/ && /\[ *[0-9]+ 00\]/ {
    match($0, /\[ *[0-9]+ /); extent = substr($0, RSTART + 1, RLENGTH - 2) + 0
    name = $NF; sub(/;1$/, "", name)
    print name, $5, extent
  }' > "$tmp/expected"

lists_and_extracts() {  # lists_and_extracts OUT PROGRAM...: run in the set's folder
  local out=$1
  shift
  [[ -s $tmp/expected ]] || fail "isoinfo found no plain file in the example"
  (cd "$tmp/set" && "$@" -l example < /dev/null) > "$tmp/listing" 2>&1 ||
    fail "listing failed: $(cat "$tmp/listing")"
  (cd "$tmp/set" && "$@" -m "$out" example < /dev/null) > "$tmp/extract.log" 2>&1 ||
    fail "extraction failed: $(cat "$tmp/extract.log")"
  local name size extent got=0
  while read -r name size extent; do
    grep -q "$name;1" "$tmp/listing" || fail "$name is not listed"
    # Every byte of the file: its length from the extent on.
    dd if="$tmp/disc.iso" iflag=skip_bytes,count_bytes bs=64K skip=$((extent * 2048)) count="$size" status=none |
      cmp - "$tmp/set/$out/$name" || fail "$name differs from the image's bytes"
    got=$((got + 1))
  done < "$tmp/expected"
  local written
  written=$(find "$tmp/set/$out" -type f | wc -l)
  [[ $written -eq $got ]] || fail "$written files written, $got expected"
}

# --- the Debian package
deb_names_version() {
  [[ -n $version ]] || fail "no version in CMakeLists.txt"
  [[ -f $deb ]] || fail "no $deb"
  [[ $(dpkg-deb -f "$deb" Package) == quarnex ]] || fail "package name"
  [[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "version field"
  [[ $(dpkg-deb -f "$deb" Architecture) == amd64 ]] || fail "architecture"
  dpkg-deb -f "$deb" Section Description
}
lintian_no_error() {
  lintian --pedantic -I "$deb" 2>&1 | grep -v 'running with root privileges' | tee "$tmp/lintian"
  ! grep -q '^E:' "$tmp/lintian"
}
check "the .deb is quarnex $version for amd64" deb_names_version
check "lintian reports no error" lintian_no_error
cat "$tmp/lintian" 2> /dev/null

deb_root=$tmp/deb-root
dpkg-deb -x "$deb" "$deb_root" 2> /dev/null
check "the unpacked quarnex lists and extracts the example set" \
  lists_and_extracts out-deb "$deb_root/usr/bin/quarnex"

every_program_has_page() {
  local program count=0
  for program in "$deb_root"/usr/bin/*; do
    [[ -f $deb_root/usr/share/man/man1/$(basename "$program").1.gz ]] ||
      fail "no manual page for $(basename "$program")"
    count=$((count + 1))
  done
  [[ $count -gt 0 ]] || fail "no program in usr/bin"
}
pages_render() {
  local page count=0
  for page in "$deb_root"/usr/share/man/man1/*; do
    [[ $page == *.gz ]] || fail "$page is not gzipped"
    # gzip -n: no file name (flag bit 3) and no time stamp in the header.
    [[ $(od -An -tx1 -j3 -N5 "$page" | tr -d ' \n') == 0000000000 ]] ||
      fail "$page keeps a name or time stamp"
    MANWIDTH=80 man --warnings -l "$page" > "$tmp/page" 2> "$tmp/page.err" || fail "man -l $page"
    [[ ! -s $tmp/page.err ]] || fail "$(cat "$tmp/page.err")"
    grep -q "^NAME" "$tmp/page" && grep -q "$(basename "$page" .1.gz)" "$tmp/page" ||
      fail "$page has no NAME section naming it"
    count=$((count + 1))
  done
  [[ $count -gt 0 ]] || fail "no manual page"
}
versions_printed() {  # every program but quarnex, whose banner is fixed
  local program
  for program in "$deb_root"/usr/bin/*; do
    [[ $(basename "$program") == quarnex ]] && continue
    "$program" --version < /dev/null | grep -qF "$version" || fail "$program --version"
  done
  return 0
}
dependencies_computed() {
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  [[ $depends == *libc6* && $depends == *libstdc++6* ]] || fail "libc6 or libstdc++6 missing"
  if [[ -e $deb_root/usr/bin/quarnex-mount ]]; then
    [[ $depends == *libfuse3* ]] || fail "quarnex-mount is in, libfuse3 is not"
    [[ $depends =~ (^|, )fuse3([ ,]|$) ]] || fail "quarnex-mount is in, fuse3 (fusermount3) is not"
  else
    [[ $depends != *fuse* ]] || fail "fuse without quarnex-mount"
  fi
}
debian_documents() {
  local doc=$deb_root/usr/share/doc/quarnex
  head -n 1 "$doc/copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright is not in the machine-readable format"
  [[ $(zcat "$doc/changelog.gz" | dpkg-parsechangelog -l - -S Version) == "$version" ]] ||
    fail "the changelog's newest entry is not $version"
}
desktop_files() {  # what a desktop needs, and no maintainer script of our own
  local share=$deb_root/usr/share
  desktop-file-validate "$share/applications/quarnex-open.desktop" || fail "desktop-file-validate"
  mkdir -p "$tmp/mime/packages" && cp "$share/mime/packages/quarnex.xml" "$tmp/mime/packages/" &&
    update-mime-database "$tmp/mime" && grep -q '^application/x-pdi-image-set$' "$tmp/mime/types" ||
    fail "update-mime-database knows no application/x-pdi-image-set"
  bash -n "$share/bash-completion/completions/quarnex" && bash -n "$share/bash-completion/completions/quarnex-mount" ||
    fail "bash completion files"
  dpkg-deb -e "$deb" "$tmp/control" && [[ $(ls "$tmp/control" | tr '\n' ' ') == "control md5sums " ]] ||
    fail "control files: $(ls "$tmp/control")"
}
check "the file type, desktop entry and completion are in, no maintainer script" desktop_files
check "every program has a manual page" every_program_has_page
check "every manual page is gzipped -n and renders with man -l" pages_render
check "every program but quarnex prints $version with --version" versions_printed
check "dependencies come from the programs' libraries" dependencies_computed
check "copyright and changelog in /usr/share/doc/quarnex" debian_documents

# --- the Windows zips
# Programs that come with every Windows: anything else would have to be
# shipped beside the programs.
system_dlls='^(kernel32|user32|gdi32|comdlg32|comctl32|shell32|ole32|oleaut32|advapi32|msvcrt|ws2_32|shlwapi)\.dll$'
zip_unpacks() {  # zip_unpacks ZIP DIR
  [[ -f $1 ]] || fail "no $1"
  mkdir "$2" && (cd "$2" && unzip -q "$1") || fail "unzip"
  [[ $(cd "$2" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ') == "./Quarnpad.exe ./README.txt ./quarnex.exe " ]] ||
    fail "contents: $(cd "$2" && find . -mindepth 1)"
  # Every line of README.txt ends in CR LF.
  [[ -s $2/README.txt ]] && ! grep -q $'[^\r]$\|^$' "$2/README.txt" || fail "README.txt has a bare LF"
}
imports_system_only() {  # imports_system_only EXE FORMAT
  objdump -p "$1" > "$tmp/pe" || fail "objdump -p $1"
  grep -q "file format $2" "$tmp/pe" || fail "$1 is not $2"
  local dll count=0
  while read -r dll; do
    echo "$dll"
    grep -qiE "$system_dlls" <<< "$dll" || fail "$(basename "$1") imports $dll"
    count=$((count + 1))
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' "$tmp/pe")
  [[ $count -gt 0 ]] || fail "no import table in $1"
}

export WINEPREFIX=${WINEPREFIX:-$root/build/wine-prefix} WINEDEBUG=-all
unset WINEPATH WINEDLLPATH
[[ -d $WINEPREFIX ]] || wine wineboot -i > /dev/null 2>&1 < /dev/null

for bits in 64 32; do
  zip=$packages/quarnex-$version-win$bits.zip
  dir=$tmp/win$bits
  format=pei-x86-64
  [[ $bits == 32 ]] && format=pei-i386
  check "quarnex-$version-win$bits.zip unpacks into quarnex.exe, Quarnpad.exe, a CR LF README.txt" \
    zip_unpacks "$zip" "$dir"
  check "win$bits quarnex.exe imports system DLLs only" imports_system_only "$dir/quarnex.exe" "$format"
  check "win$bits Quarnpad.exe imports system DLLs only" imports_system_only "$dir/Quarnpad.exe" "$format"
done
# The 32-bit programs cannot run on this kernel. The 64-bit ones start from
# their folder with nothing else beside them (the set lies elsewhere).
check "win64 quarnex.exe lists and extracts the example set under Wine" \
  lists_and_extracts out-win64 "$root/cmake/wine_run.sh" "$tmp/win64/quarnex.exe"
check "win64 Quarnpad.exe's window '$title' appears under Wine" \
  xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --window-appears "$tmp/win64/Quarnpad.exe"
wineserver -k > /dev/null 2>&1

echo "packages: $passed checks passed, $failed failed"
[[ $failed -eq 0 ]]
