#!/usr/bin/env bash
# Makes the packages people install, into build/packages/:
#   quarnex_VERSION_amd64.deb       (Debian and Ubuntu)
#   quarnex-VERSION-win64.zip, quarnex-VERSION-win32.zip  (Windows)
# Installs what is missing first; each package comes from its own release
# build without tests (build/package-*), through the install rules and CPack
# (cmake/packaging.cmake).
# Usage: scripts/package.sh [deb|windows|all]   (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
out=$PWD/build/packages

package() {  # package DIR [cmake options...]
  local dir=$PWD/$1
  shift
  cmake -S . -B "$dir" -DQUARNEX_TESTS=OFF "$@" > "$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j "$jobs" > "$dir.build.log" 2>&1 ||
    { cat "$dir.build.log"; return 1; }
  (cd "$dir" && cpack -B "$out" > "$dir.cpack.log" 2>&1) ||
    { cat "$dir.cpack.log"; return 1; }
  grep -E '^CPack: - package: .* generated\.$' "$dir.cpack.log" | sed 's/^CPack: - package: /made /; s/ generated\.$//'
}

scripts/setup.sh
mkdir -p "$out"
if [[ $what == deb || $what == all ]]; then
  # Debian's compiler and linker flags (hardening included); the build type
  # None adds none of CMake's own, and CPack strips the programs.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  package build/package-native -DCMAKE_BUILD_TYPE=None -DQUARNEX_FRONTEND=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
fi
if [[ $what == windows || $what == all ]]; then
  package build/package-win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
  package build/package-win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
fi
