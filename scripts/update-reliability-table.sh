#!/usr/bin/env bash
# Publishes the reliability table of the last test run: copies the table
# that scripts/test.sh made in build/reliability.md into docs/reliability.md,
# between its "<!-- results: begin -->" and "<!-- results: end -->" lines.
# The rest of docs/reliability.md stays as it is. The test command itself
# never changes docs/; run this on purpose, after a full run worth keeping.
set -euo pipefail
cd "$(dirname "$0")/.."
made=build/reliability.md
doc=docs/reliability.md

table() {  # the lines between the markers
  sed -n '/<!-- results: begin -->/,/<!-- results: end -->/{/<!-- results: /!p}' "$1"
}
table=$(table "$made" 2> /dev/null || true)
[[ -n $table ]] || { echo "$0: no table in $made: run scripts/test.sh first" >&2; exit 1; }

tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
awk -v table="$table" '
  /<!-- results: begin -->/ { print; print table; skip = 1; next }
  /<!-- results: end -->/ { skip = 0 }
  !skip { print }' "$doc" > "$tmp"
grep -q '<!-- results: end -->' "$tmp" || { echo "$0: markers missing in $doc" >&2; exit 1; }
cat "$tmp" > "$doc"
echo "the table of $made is now in $doc"
