#!/usr/bin/env bash
# Configures and builds our builds; each is both what the tests run and what
# a package is made from (scripts/package.sh):
#   native     build/native: Debian's compiler and linker flags (hardening
#              included; the build type None adds none of CMake's own) for
#              the programs and their libraries; the test programs' own
#              code unoptimised (the programs they run take their time)
#   win64      build/mingw-x86_64: MinGW-w64, Release; the test programs'
#              own code unoptimised (they run under Wine, whose start-up is
#              what takes their time)
#   win32      build/mingw-i686: the same; this kernel cannot run it, so its
#              tests are only compiled and linked
#   sanitize   build/asan: Debug with AddressSanitizer and
#              UndefinedBehaviorSanitizer (tests only, never packaged); line
#              tables only (-g1), all the reports' stacks need
#   programs   build/native with only quarnex, quarnex-mount and the set
#              maker, no tests (scripts/demo.sh)
# Usage: scripts/build.sh [native|win64|win32|windows|sanitize|programs|all]...
#   (default: all = win64 win32 native)
# The tests are built unless QUARNEX_TESTS=OFF; without it a build folder
# made before keeps its choice. ccache is used when it is installed, and
# Ninja for a new build folder when it is (a fifth less processor time than
# make on these builds).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

configure() {  # configure DIR [cmake options...]
  local dir=$1
  shift
  local tests=${QUARNEX_TESTS:-}
  if [[ -z $tests ]]; then
    tests=ON
    [[ -f $dir/CMakeCache.txt ]] && ! grep -q '^QUARNEX_TESTS:BOOL=ON$' "$dir/CMakeCache.txt" && tests=OFF
  fi
  local launcher=()
  command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  [[ ! -f $dir/CMakeCache.txt ]] && command -v ninja > /dev/null && launcher+=(-G Ninja)
  mkdir -p "$(dirname "$dir")"
  cmake -S . -B "$dir" -DQUARNEX_TESTS="$tests" "${launcher[@]}" "$@" > "$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; return 1; }
}

build() {  # build DIR [cmake options...]
  configure "$@" || return 1
  cmake --build "$1" -j "$jobs"
}

native() {
  local windows_exe=
  [[ -f build/mingw-x86_64/extractor/quarnex.exe ]] && windows_exe=$root/build/mingw-x86_64/extractor/quarnex.exe
  local DEB_BUILD_MAINT_OPTIONS=hardening=+all
  export DEB_BUILD_MAINT_OPTIONS
  build build/native -DCMAKE_BUILD_TYPE=None -DQUARNEX_FRONTEND=ON -DQUARNEX_UNOPTIMISED_TESTS=ON \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    -DQUARNEX_WINDOWS_PROGRAM="$windows_exe"
}

one() {  # one WHAT
  case $1 in
    native) native ;;
    win64) build build/mingw-x86_64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
             -DQUARNEX_UNOPTIMISED_TESTS=ON ;;
    win32) build build/mingw-i686 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
             -DQUARNEX_UNOPTIMISED_TESTS=ON ;;
    windows) one win64 && one win32 ;;
    sanitize) build build/asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DQUARNEX_SANITIZE=ON ;;
    programs)
      QUARNEX_TESTS=OFF configure build/native -DQUARNEX_FRONTEND=OFF || return 1
      cmake --build build/native -j "$jobs" --target quarnex quarnex-mount make_pdi_set ;;
    all) one win64 && one win32 && one native ;;
    *) echo "usage: $0 [native|win64|win32|windows|sanitize|programs|all]..." >&2; return 2 ;;
  esac
}

for what in "${@:-all}"; do
  one "$what"
done
