#!/usr/bin/env bash
# Runs a Windows test program under Wine for CTest. The program's output is
# kept in a file and shown when it ends: Wine's helper processes inherit the
# handles they are started with, and on a pipe they would keep CTest waiting
# after the test is over.
#
# Now and then Wine ends a program at its start, before it has printed a
# thing (the test programs always print before they test anything). Such a
# start is tried again, at most twice, and says so; any other failure is
# the test's own and is reported as it is.
set -u
log=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX") || exit 1
trap 'rm -f "$log"' EXIT
for attempt in 1 2 3; do
  wine "$@" > "$log" 2>&1 < /dev/null
  status=$?
  if [[ $status -eq 0 || -s $log || $attempt -eq 3 ]]; then break; fi
  echo "wine_run.sh: '$1' ended with status $status before printing anything; starting it again" >&2
done
cat "$log"
exit "$status"
