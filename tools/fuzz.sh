#!/bin/sh
# Builds the libFuzzer targets with clang-14 (ASan + UBSan) in their own build
# folder and runs each for SECONDS on its seed corpus plus the inputs earlier
# runs kept. The targets run side by side, one per core.
#
#   tools/fuzz.sh [SECONDS] [TARGET...]      (default: 60 s, every target)
#
# Environment: FUZZ_BUILD (default build-fuzz), FUZZ_JOBS (targets at once,
# default 2), FUZZ_FLAGS (more libFuzzer flags, e.g. -malloc_limit_mb=64). Exits non-zero when a target finds a crash, a leak, a timeout or
# runs out of memory, and prints the reproducer's path and how to replay it.
set -eu
cd "$(dirname "$0")/.."

seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"mpak_archive recipe_load recipe_formats plan_file"}
build=${FUZZ_BUILD:-build-fuzz}
jobs=${FUZZ_JOBS:-2}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
    -DARTISANSCOPE_FUZZ=ON -DARTISANSCOPE_GUI=OFF -DARTISANSCOPE_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"${JOBS:-$(nproc)}" --target fuzz_seeds $(for t in $targets; do printf 'fuzz_%s ' "$t"; done)
"$build/fuzz/fuzz_seeds" "$build/seeds" >/dev/null

export ASAN_OPTIONS="detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

# run TARGET: one bounded libFuzzer session; its log goes to $build/logs.
run() {
  t=$1
  mkdir -p "$build/corpus/$t" "$build/artifacts/$t" "$build/logs"
  "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -dict="fuzz/$t.dict" -print_final_stats=1 -artifact_prefix="$build/artifacts/$t/" ${FUZZ_FLAGS:-} \
    "$build/corpus/$t" "$build/seeds/$t" >"$build/logs/$t.log" 2>&1
}

# report TARGET STATUS: summary line, or the failure with its reproducer.
report() {
  t=$1
  log="$build/logs/$t.log"
  if [ "$2" -eq 0 ]; then
    line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)
    echo "fuzz_$t: no crash in ${seconds} s: $line"
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" | sed 's/^/    /'
    return 0
  fi
  echo "fuzz_$t: FAILED (exit $2); last lines of $log:" >&2
  grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|INITED)' "$log" | tail -n 40 >&2
  unit=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)
  if [ -n "$unit" ]; then
    echo "reproducer: $unit" >&2
    echo "replay with: $build/fuzz/fuzz_$t $unit" >&2
  fi
  return 1
}

failed=0
running=""
for t in $targets; do
  ( run "$t" ) &
  running="$running $!:$t"
  if [ "$(echo "$running" | wc -w)" -ge "$jobs" ]; then
    for entry in $running; do
      status=0
      wait "${entry%%:*}" || status=$?
      report "${entry#*:}" "$status" || failed=1
    done
    running=""
  fi
done
for entry in $running; do
  status=0
  wait "${entry%%:*}" || status=$?
  report "${entry#*:}" "$status" || failed=1
done
exit $failed
