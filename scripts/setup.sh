#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine; does nothing
# when everything is there already.
set -euo pipefail

packages=(
  cmake g++ make googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine64 xvfb xauth
  libarchive-tools xorriso strace time
  libfuse3-dev fuse3
  clang libstb-dev python3
  ffmpeg dvdauthor genisoimage lsdvd
  7zip udftools fuseiso archivemount
  dpkg-dev lintian man-db unzip xdotool
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "installing: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
# With recommends: Wine needs its fonts and helpers for the windows under test.
"${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
