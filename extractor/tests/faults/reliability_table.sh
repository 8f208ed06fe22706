#!/usr/bin/env bash
# Rewrites the results table of docs/reliability.md from the rows that the
# fault tests and fuzz/run.sh write:
#
#   extractor/tests/faults/reliability_table.sh docs/reliability.md \
#       build/native/reliability/faults.tsv build/fuzz/results.tsv
#
# Each row: group, fault, runs, what the program said, bytes lost, crashes,
# paths written outside the output folder (tab-separated; "-" where a count
# does not apply). Rows with the same group, fault and message are added up.
# The table replaces the lines between "<!-- results: begin -->" and
# "<!-- results: end -->"; the rest of the document stays as it is.
set -euo pipefail
if [[ $# -lt 2 ]]; then
  echo "usage: $0 DOC RESULTS.tsv..." >&2
  exit 2
fi
doc=$1
shift
for f in "$@"; do
  [[ -s $f ]] || { echo "$0: no results in $f" >&2; exit 1; }
done

table=$(awk -F'\t' '
  function add(a, b) { return (a == "-" || b == "-") ? "-" : a + b }
  function cell(s) { gsub(/\|/, "\\|", s); return s }
  NF >= 7 {
    key = $1 SUBSEP $2 SUBSEP $4
    if (!(key in runs)) { order[++n] = key; group[key] = $1; fault[key] = $2; said[key] = $4
                          runs[key] = 0; lost[key] = $5; crashes[key] = $6; outside[key] = $7 }
    else { lost[key] = add(lost[key], $5); crashes[key] = add(crashes[key], $6); outside[key] = add(outside[key], $7) }
    runs[key] += $3
    total_runs += $3
    if ($5 != "-") total_lost += $5
    if ($6 != "-") total_crashes += $6
    if ($7 != "-") total_outside += $7
  }
  END {
    print "| Group | Fault or hostile input | Runs | What the program said | Crashes | Written outside the output folder | Bytes lost |"
    print "|---|---|---:|---|---:|---:|---:|"
    for (i = 1; i <= n; ++i) {
      k = order[i]
      printf "| %s | %s | %d | %s | %s | %s | %s |\n", cell(group[k]), cell(fault[k]), runs[k], cell(said[k]),
             crashes[k], outside[k], lost[k]
    }
    printf "| **All** | %d rows | %d | | %d | %d | %d |\n", n, total_runs, total_crashes, total_outside, total_lost
  }' "$@")

tmp=$(mktemp)
awk -v table="$table" '
  /<!-- results: begin -->/ { print; print table; skip = 1; next }
  /<!-- results: end -->/ { skip = 0 }
  !skip { print }' "$doc" > "$tmp"
grep -q '<!-- results: end -->' "$tmp" || { rm -f "$tmp"; echo "$0: markers missing in $doc" >&2; exit 1; }
cat "$tmp" > "$doc"
rm -f "$tmp"
