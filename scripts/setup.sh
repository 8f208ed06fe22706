#!/usr/bin/env bash
# Installs what is missing on a Debian machine; does nothing when everything
# is there already.
#   scripts/setup.sh programs   what building and running the programs needs
#                               (scripts/demo.sh)
#   scripts/setup.sh [all]      that and what every test needs (scripts/test.sh)
set -euo pipefail
what=${1:-all}

# The compiler, the build tools, libfuse 3 for quarnex-mount (fuse3 is its
# fusermount3) and zlib, with which it inflates zisofs files.
programs=(g++ make cmake pkg-config libfuse3-dev fuse3 zlib1g-dev)
tests=(
  googletest libgtest-dev libbenchmark-dev ccache ninja-build
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine64 xvfb xauth xdotool openbox
  libarchive-tools xorriso strace time python3-pycdlib
  clang libstb-dev python3
  ffmpeg dvdauthor genisoimage lsdvd
  7zip udftools fuseiso archivemount
  dpkg-dev lintian man-db unzip
  pcmanfm dbus dbus-x11 libglib2.0-bin desktop-file-utils shared-mime-info
  xdg-utils libfile-mimeinfo-perl zenity libnotify-bin imagemagick x11-utils
  bash-completion
)
case $what in
  programs) packages=("${programs[@]}") ;;
  all) packages=("${programs[@]}" "${tests[@]}") ;;
  *) echo "usage: $0 [programs|all]" >&2; exit 2 ;;
esac

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
if [[ $what == programs ]]; then
  # Only what is named: the programs need nothing recommended beside it.
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
else
  # With recommends: Wine needs its fonts and helpers for the windows under test.
  "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
fi
