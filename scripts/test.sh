#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the native
# build, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# the Windows build under Wine (the 32-bit Windows build is compiled and
# linked only: this kernel cannot run 32-bit programs), the fuzz targets for
# a short budget, the benchmark's small mode and the packages, made from the
# builds the tests ran. It changes no tracked file: what it writes in the
# repository goes into build/.
#
# Three lanes share the machine. One builds (sanitizers, native, the fuzz
# targets, 64-bit and 32-bit Windows); one runs the sanitizer suite, the
# longest, as soon as its build is done, then the fuzz targets, two at a
# time, and the benchmark's small mode; the third runs the native suite,
# then, mostly waiting on Wine, the Windows suites and the packages. At the
# end a table gives the seconds of every stage (build/stages.tsv); the last
# line is "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
t0=$(date +%s)
load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)
mkdir -p build
stages=$root/build/stages
rm -rf "$stages" && mkdir -p "$stages"

# stage ID LANE COMMAND...: runs COMMAND and notes, in $stages/ID, when it
# started (seconds after the start), how long it took and its status.
stage() {
  local id=$1 lane=$2
  shift 2
  local start status
  start=$(date +%s)
  "$@"
  status=$?
  printf '%s\t%s\t%s\t%s\t%s\n' "$((start - t0))" "$id" "$lane" "$(($(date +%s) - start))" "$status" \
    > "$stages/$id.part" && mv "$stages/$id.part" "$stages/$id"
  return $status
}
stage_status() { cut -f5 "$stages/$1"; }

# The lanes are processes of their own: each suite's counts go to a file,
# added up at the end.
tally=$root/build/tally.tsv
: > "$tally"
tally() { printf '%s\t%s\t%s\n' "$1" "$2" "$3" >> "$tally"; }  # tally SUITE PASSED FAILED
note_failure() { tally "$1" 0 1; }

# --- the build lane, in the background: its output goes to build/*.log.
# The fuzz targets are built with clang, before the Windows builds: the
# sanitizer lane runs them when its suite is done.
lane_builds() {
  local what
  for what in sanitize native fuzz win64 win32; do
    if [[ $what == fuzz ]]; then
      stage build-fuzz builds fuzz/run.sh --build-only > "$root/build/build-fuzz.log" 2>&1
    else
      stage "build-$what" builds scripts/build.sh "$what" > "$root/build/build-$what.log" 2>&1
    fi || note_failure "build-$what"
  done
}

# built WHAT: waits for the build lane's build of WHAT; its status.
built() {
  while [[ ! -f $stages/build-$1 ]]; do
    kill -0 "$builds_pid" 2> /dev/null || { echo "the build lane ended before building $1"; return 1; }
    sleep 1
  done
  local status
  status=$(stage_status "build-$1")
  echo
  echo "=== build $1: $([[ $status -eq 0 ]] && echo built || echo FAILED) ($(cut -f4 "$stages/build-$1") s, log build/build-$1.log)"
  [[ $status -eq 0 ]] || tail -n 40 "$root/build/build-$1.log"
  return "$status"
}

run_ctest() {  # run_ctest LABEL DIR [ctest options...]; the launcher in $launcher
  local label=$1 dir=$2
  shift 2
  echo
  echo "=== $label"
  local log=$root/build/ctest-$label.log
  (cd "$dir" && "${launcher[@]}" ctest --output-on-failure --timeout 1800 "$@") 2>&1 | tee "$log"
  local line
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [[ -z $line ]]; then
    note_failure "$label"
    return 1
  fi
  local total bad
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<< "$line")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<< "$line")
  tally "$label" $((total - bad)) "$bad"
  [[ $bad -eq 0 ]]
}
launcher=()

stage setup main scripts/setup.sh all || { echo "0 passed, 1 failed"; exit 1; }
# Every build is made with and for its tests; ccache keeps compiled objects
# for the next run.
export QUARNEX_TESTS=ON
command -v ccache > /dev/null && export CMAKE_CXX_COMPILER_LAUNCHER=ccache
lane_builds &
builds_pid=$!

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The sanitizer suite takes longest: it is built first and has a lane of
# its own, which then runs the fuzz targets for 30 s each, two at a time,
# and the benchmark's small mode.
lane_sanitizers() {
  built sanitize && stage tests-sanitizers sanitizers run_ctest sanitizers build/asan
  if built fuzz; then
    if stage fuzzing sanitizers fuzz/run.sh 30 2 > "$root/build/fuzz.log" 2>&1; then
      tally fuzz 1 0
    else
      note_failure fuzz
    fi
  fi
  if built native; then
    if stage bench-small sanitizers bench_small; then tally bench-small 1 0; else note_failure bench-small; fi
  fi
}

# One Wine server for the Windows tests, started here with its output away
# from ctest's pipes (a Wine helper that inherits them keeps ctest waiting);
# each program under test then starts in a fraction of a second. The prefix
# is made first (a server started for a prefix that does not exist yet does
# not stay), then the persistent server and Wine's own services.
export WINEPREFIX=$root/build/wine-prefix WINEDEBUG=-all
start_wine() {
  (wine wineboot -i; wineserver -k; wineserver -p; wine wineboot) > /dev/null 2>&1 < /dev/null || true
}
windows_tests() {
  # The front end's end-to-end test runs the real quarnex.exe on an example set.
  export QUARNEX_EXAMPLES=$root/build/examples
  rm -rf "$QUARNEX_EXAMPLES" && mkdir -p "$QUARNEX_EXAMPLES" &&
    build/native/tools/make_pdi_set "$QUARNEX_EXAMPLES/example" > /dev/null
  local status=0
  launcher=(xvfb-run -a -s "-screen 0 1280x1024x24")
  run_ctest windows-x86_64 build/mingw-x86_64 || status=1
  launcher=()
  local retried
  retried=$(grep -c "starting it again" "$root/build/ctest-windows-x86_64.log" || true)
  echo "Windows programs that Wine ended before they printed anything, started again: ${retried:-0}"
  return $status
}
# The native black-box suite once more, on quarnex.exe under Wine.
blackbox_wine_tests() {
  local status=0
  cmake -S . -B build/native -DQUARNEX_WINDOWS_PROGRAM="$root/build/mingw-x86_64/extractor/quarnex.exe" \
    > build/native.configure.log 2>&1 || { cat build/native.configure.log; note_failure blackbox-wine; return 1; }
  run_ctest blackbox-wine build/native -R '^quarnex_blackbox_wine$' || status=1
  wineserver -k > /dev/null 2>&1 || true
  return $status
}
# Checks the benchmark's outputs and keeps the script working; its goals'
# verdict is printed in the log but does not count here (timings this small
# are noise on a shared machine).
bench_small() {
  echo
  echo "=== bench/copy_speed.py --small (keeps the benchmark script working)"
  python3 bench/copy_speed.py --small --build build/native > build/bench-small.log 2>&1 ||
    { cat build/bench-small.log; return 1; }
}

# --- packages (cmake/packaging.cmake), made by scripts/package.sh from the
# builds above as a user would make them, then checked as installed or
# unpacked; the Wine server is started anew for it.
packages() {
  echo
  echo "=== packages: scripts/package.sh, then packaging/test_packages.sh"
  scripts/package.sh > build/package.log 2>&1 || { tail -n 30 build/package.log; return 1; }
  cat build/package.log
  packaging/test_packages.sh
}
# The native lane: the native suite, then, mostly waiting on Wine, the
# Windows suites and the packages.
lane_native() {
  built native || return
  # The black-box suite on the 64-bit Windows quarnex.exe runs after the
  # Windows tests.
  stage tests-native native run_ctest native build/native -E '^quarnex_blackbox_wine$'
  if built win64; then
    stage wine-start native start_wine
    stage tests-windows native windows_tests
    stage blackbox-wine native blackbox_wine_tests
  fi
  if built win32 && [[ $(stage_status build-win64) -eq 0 ]]; then
    if stage packages native packages; then tally packages 1 0; else note_failure packages; fi
  fi
}

# The native lane's output goes to build/native-lane.log, shown at the end.
lane_native > build/native-lane.log 2>&1 &
native_pid=$!
lane_sanitizers
wait "$native_pid"
echo
echo "=== the native lane (log build/native-lane.log)"
cat build/native-lane.log
wait "$builds_pid"
echo
echo "=== fuzzing, a short budget (log build/fuzz.log)"
cat build/fuzz.log 2> /dev/null

# The reliability document with this run's table (from its fault tests and
# fuzzing) goes to build/reliability.md; scripts/update-reliability-table.sh
# copies the table into docs/reliability.md when it is to be published.
cp docs/reliability.md build/reliability.md &&
  extractor/tests/faults/reliability_table.sh build/reliability.md build/native/reliability/faults.tsv \
    build/fuzz/results.tsv || true

# The stages in the order they started; the lanes ran side by side.
echo
echo "=== stages (seconds; load average at the start $load_at_start, at the end $(cut -d' ' -f1-3 /proc/loadavg))"
sort -n "$stages"/* > build/stages.tsv
awk -F'\t' 'BEGIN { printf "%-18s %-10s %6s %8s  %s\n", "stage", "lane", "start", "seconds", "result" }
  { printf "%-18s %-10s %6d %8d  %s\n", $2, $3, $1, $4, ($5 == 0 ? "ok" : "FAILED") }' build/stages.tsv
printf '%-18s %-10s %6s %8d\n' "whole command" "" "" "$(($(date +%s) - t0))"
# What the run itself used of the processors, whatever else ran beside it:
# with two cores to itself, the command could not take less than half this.
times > build/times.txt  # here, not in a pipeline: a subshell's children are not the run's
echo "processor seconds used by the run: $(awk 'NR == 2 {
  for (i = 1; i <= 2; i++) { split($i, p, /[ms]/); total += p[1] * 60 + p[2] }
  printf "%d", total }' build/times.txt) (user and system)"

echo
failing=$(awk -F'\t' '$3 > 0 { printf "%s%s", sep, $1; sep = " " }' "$tally")
[[ -z $failing ]] || echo "failing: $failing"
awk -F'\t' '{ p += $2; f += $3 } END { printf "%d passed, %d failed\n", p, f; exit (f > 0) }' "$tally"

