#!/usr/bin/env bash
# Checks wine_run.sh against a stand-in for wine: a start that Wine ends
# before anything is printed is tried again (at most twice), every other
# outcome is passed on once, with its output and its status.
set -u
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# The stand-in plays the outcomes listed in $dir/plan, one line per start:
# "STATUS" or "STATUS TEXT" (TEXT printed before ending with STATUS).
cat > "$dir/wine" <<'STANDIN'
#!/usr/bin/env bash
n=$(cat "$PLAN.count" 2>/dev/null || echo 0)
echo $((n + 1)) > "$PLAN.count"
read -r status text < <(sed -n "$((n + 1))p" "$PLAN")
[[ -z $text ]] || echo "$text $*"
exit "$status"
STANDIN
chmod +x "$dir/wine"

failures=0
# case name | outcomes of successive starts | expected status | starts | expected output
check() {
  local name=$1 outcomes=$2 want_status=$3 want_starts=$4 want_output=$5
  printf '%s\n' $outcomes | tr '_' ' ' > "$dir/plan"
  rm -f "$dir/plan.count"
  local output status starts
  output=$(PLAN=$dir/plan PATH=$dir:$PATH "$here/wine_run.sh" prog.exe --flag 2> "$dir/err")
  status=$?
  starts=$(cat "$dir/plan.count")
  if [[ $status != "$want_status" || $starts != "$want_starts" || $output != "$want_output" ]]; then
    echo "FAILED $name: status $status (want $want_status), starts $starts (want $want_starts), output '$output' (want '$want_output')"
    failures=$((failures + 1))
  fi
  local retries
  retries=$(grep -c "starting it again" "$dir/err")
  if [[ $retries != $((want_starts - 1)) ]]; then
    echo "FAILED $name: $retries retry notes for $want_starts starts"
    failures=$((failures + 1))
  fi
}
check "passes"                  "0_ok"            0 1 "ok prog.exe --flag"
check "silent success"          "0"               0 1 ""
check "failure with output"     "1_broken 0_ok"   1 1 "broken prog.exe --flag"
check "silent end, then runs"   "3 0_ok"          0 2 "ok prog.exe --flag"
check "silent end, then fails"  "3 1_broken"      1 2 "broken prog.exe --flag"
check "silent every time"       "3 4 5 0_ok"      5 3 ""
((failures == 0)) && echo "wine_run.sh: every case passed"
exit $((failures > 0))
