# What the mount's test scripts share: a work folder, removed at exit with
# every mount listed in `mounted` undone, and `check`, which runs a command
# and counts a failure in `failures`.
# Usage: source mount_checks.sh NAME [PARENT] (the work folder is
# PARENT/NAME.XXXXXX, in /tmp by default).
work=$(mktemp -d "${2:-/tmp}/$1.XXXXXX")
failures=0
mounted=()
cleanup() {
  for m in "${mounted[@]}"; do fusermount3 -u "$m" 2> /dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
check() {  # check WHAT COMMAND...: runs it, counts a failure
  local what=$1
  shift
  if "$@" > "$work/check.log" 2>&1; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    sed 's/^/     /' "$work/check.log" | head -20
    failures=$((failures + 1))
  fi
}
