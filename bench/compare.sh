#!/usr/bin/env bash
# Times the headless command-line text export against the floor program,
# process against process, with repeated alternating runs, and prints the
# medians, their ratio and the peak resident set size of each.
#
#   bench/compare.sh [-n RUNS] [-b BUILD_DIR] [GAME_DIR...]
#
# BUILD_DIR holds the `artisanscope` executable and bench/artisanscope-floor
# (default: build-bench). Without GAME_DIR the realistic and maximum bench
# inputs are compared (written first with `make bench-data`). The job runs as
# a user would start it from a shell without a display: DISPLAY,
# WAYLAND_DISPLAY and QT_QPA_PLATFORM unset.
set -euo pipefail

runs=21
build=build-bench
while getopts "n:b:h" opt; do
  case $opt in
    n) runs=$OPTARG ;;
    b) build=$OPTARG ;;
    *) sed -n '2,12p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

job=$build/artisanscope
floor=$build/bench/artisanscope-floor
for program in "$job" "$floor"; do
  [ -x "$program" ] || { echo "missing $program: build it first (make bench)" >&2; exit 1; }
done
if [ $# -eq 0 ]; then
  set -- "$build/bench-data/realistic" "$build/bench-data/maximum"
fi

if [ -x /usr/bin/time ]; then
  timer=(/usr/bin/time -f %M -o)
else
  echo "note: /usr/bin/time not found (Debian package 'time'); peak RSS not measured" >&2
  timer=()
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Wall seconds of one run of a command, started straight from this shell.
seconds() {
  local start=$EPOCHREALTIME
  "$@"
  awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.6f\n", e - s }'
}

# Peak resident set size of one run in KiB, or "-" without /usr/bin/time.
peak_rss() {
  if [ ${#timer[@]} -gt 0 ]; then
    "${timer[@]}" "$scratch/rss" "$@"
    tail -n 1 "$scratch/rss"
  else
    "$@"
    echo -
  fi
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
headless=("$job" -q)

printf '%-28s %5s %13s %13s %7s %13s %13s\n' "input" "runs" "job median" "floor median" "ratio" "job RSS" "floor RSS"
for game in "$@"; do
  # One job run first: it gives the byte count for the floor and warms the
  # page cache for both.
  "${headless[@]}" "$game" "$scratch/job.txt"
  bytes=$(stat -c %s "$scratch/job.txt")
  : > "$scratch/job.times"
  : > "$scratch/floor.times"
  for ((i = 0; i < runs; i++)); do
    # Alternate which goes first, so drift hits both alike.
    if ((i % 2 == 0)); then
      seconds "${headless[@]}" "$game" "$scratch/job.txt" >> "$scratch/job.times"
      seconds "$floor" "$game" "$scratch/floor.txt" "$bytes" >> "$scratch/floor.times"
    else
      seconds "$floor" "$game" "$scratch/floor.txt" "$bytes" >> "$scratch/floor.times"
      seconds "${headless[@]}" "$game" "$scratch/job.txt" >> "$scratch/job.times"
    fi
  done
  # Peak memory from separate runs, so the timed runs carry no wrapper.
  job_rss=$(peak_rss "${headless[@]}" "$game" "$scratch/job.txt")
  floor_rss=$(peak_rss "$floor" "$game" "$scratch/floor.txt" "$bytes")
  [ "$(stat -c %s "$scratch/floor.txt")" = "$bytes" ] || { echo "floor wrote a different size" >&2; exit 1; }
  job_median=$(median < "$scratch/job.times")
  floor_median=$(median < "$scratch/floor.times")
  awk -v name="$(basename "$game")" -v n="$runs" -v j="$job_median" -v f="$floor_median" -v jr="$job_rss" -v fr="$floor_rss" -v b="$bytes" 'BEGIN {
    printf "%-28s %5d %10.1f ms %10.1f ms %6.2fx %9s MiB %9s MiB\n", name " (" sprintf("%.1f", b / 1048576) " MiB)", n, j * 1000, f * 1000, j / f,
           (jr == "-" ? "-" : sprintf("%.1f", jr / 1024)), (fr == "-" ? "-" : sprintf("%.1f", fr / 1024))
  }'
done
