#!/usr/bin/env bash
# Builds quarnex (and Quarnpad) natively, for 64-bit and for 32-bit Windows.
# Usage: scripts/build.sh [native|windows|all]   (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
jobs=$(nproc)

build() {  # build DIR [cmake options...]
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > "$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j "$jobs"
}

mkdir -p build
if [[ $what == windows || $what == all ]]; then
  build build/mingw-x86_64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
  build build/mingw-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
fi
if [[ $what == native || $what == all ]]; then
  windows_exe=
  [[ -f build/mingw-x86_64/extractor/quarnex.exe ]] && windows_exe=$PWD/build/mingw-x86_64/extractor/quarnex.exe
  build build/native -DQUARNEX_WINDOWS_PROGRAM="$windows_exe"
fi
