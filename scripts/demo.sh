#!/usr/bin/env bash
# Installs what building and running the programs needs (nothing the tests
# need), builds quarnex, quarnex-mount and the example-set maker (no tests,
# no Windows build), makes an example image set with our own maker and lets
# quarnex list it, extract it into a VIDEO_TS folder and convert it into one
# .iso.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh programs
scripts/build.sh programs

demo=build/demo
rm -rf "$demo"
mkdir -p "$demo"
build/native/tools/make_pdi_set "$demo/example"
quarnex=$PWD/build/native/extractor/quarnex
cd "$demo"

echo
echo "== quarnex -l example"
"$quarnex" -l example < /dev/null
echo
echo "== quarnex -m out -v example"
"$quarnex" -m out -v example < /dev/null
echo
echo "== quarnex -i example.iso example"
"$quarnex" -i example.iso example < /dev/null
echo
echo "The example set:      $PWD/example.pdi, example.pdi01, example.pdi02"
echo "Extracted files:      $PWD/out/VIDEO_TS/"
ls -l out/VIDEO_TS
echo "Converted image:      $PWD/example.iso ($(stat -c %s example.iso) bytes)"
