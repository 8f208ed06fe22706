#!/usr/bin/env bash
# Makes the packages people install, into build/packages/:
#   quarnex_VERSION_amd64.deb       (Debian and Ubuntu)
#   quarnex-VERSION-win64.zip, quarnex-VERSION-win32.zip  (Windows)
# Installs what is missing first; each package comes from the build the
# tests run (scripts/build.sh: build/native with Debian's flags,
# build/mingw-x86_64 and build/mingw-i686 in Release), through the install
# rules and CPack (cmake/packaging.cmake). A build folder that does not
# exist yet is made without tests; one that exists keeps its choice, and
# only what changed is built again.
# Usage: scripts/package.sh [deb|windows|all]   (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
out=$PWD/build/packages

package() {  # package BUILD DIR
  local dir=$PWD/$2
  local fresh=()
  [[ -f $dir/CMakeCache.txt ]] || fresh=(QUARNEX_TESTS=OFF)
  env "${fresh[@]}" scripts/build.sh "$1" > "$dir.package-build.log" 2>&1 ||
    { cat "$dir.package-build.log"; return 1; }
  (cd "$dir" && cpack -B "$out" > "$dir.cpack.log" 2>&1) ||
    { cat "$dir.cpack.log"; return 1; }
  grep -E '^CPack: - package: .* generated\.$' "$dir.cpack.log" | sed 's/^CPack: - package: /made /; s/ generated\.$//'
}

scripts/setup.sh
mkdir -p "$out"
case $what in
  deb) package native build/native ;;
  windows) package win64 build/mingw-x86_64 && package win32 build/mingw-i686 ;;
  all) package native build/native && package win64 build/mingw-x86_64 && package win32 build/mingw-i686 ;;
  *) echo "usage: $0 [deb|windows|all]" >&2; exit 2 ;;
esac
