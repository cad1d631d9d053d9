#!/usr/bin/env bash
# Times the headless command-line exports against the floor program, process
# against process, with repeated runs in rotating order, and prints for each
# game folder and format the medians, their ratio and the peak resident set
# size of each.
#
#   bench/compare.sh [-n RUNS] [-b BUILD_DIR] [-o OUT_DIR] [-f "FORMAT..."] [GAME_DIR...]
#
# BUILD_DIR holds the `artisanscope` executable and
# bench/artisanscope-floor-mapped (default: build-bench). FORMATs are those of
# --format (default: text xml csv json sqlite). Without GAME_DIR the
# realistic and maximum bench inputs are compared (written first with
# `make bench-data`). The job runs as a user would start it from a shell
# without a display: DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM unset. The
# floor maps the archive, inflates tdl.crf with libdeflate and writes as
# many bytes as the export of that format. Outputs go to a fresh folder in
# OUT_DIR (default: the system's temporary folder); the exports sync their
# file before renaming it, so on a slow disk OUT_DIR=/dev/shm separates their
# work from the disk's. Besides wall time the medians of user + system CPU
# time are printed: on a machine shared with other work they move far less
# than wall time.
set -euo pipefail

runs=21
build=build-bench
out_dir=${TMPDIR:-/tmp}
formats="text xml csv json sqlite"
while getopts "n:b:o:f:h" opt; do
  case $opt in
    n) runs=$OPTARG ;;
    b) build=$OPTARG ;;
    o) out_dir=$OPTARG ;;
    f) formats=$OPTARG ;;
    *) sed -n '2,22p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

job=$build/artisanscope
floor=$build/bench/artisanscope-floor-mapped
for program in "$job" "$floor"; do
  [ -x "$program" ] || { echo "missing $program: build it first (make bench)" >&2; exit 1; }
done
if [ $# -eq 0 ]; then
  set -- "$build/bench-data/realistic" "$build/bench-data/maximum"
fi

if [ -x /usr/bin/time ]; then
  timer=(/usr/bin/time -f %M -o)
  cpu_timer=(/usr/bin/time -f "%U %S" -o)
else
  echo "note: /usr/bin/time not found (Debian package 'time'); peak RSS and CPU time not measured" >&2
  timer=()
  cpu_timer=()
fi

scratch=$(mktemp -d "$out_dir/compare.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# Wall seconds and user + system CPU seconds ("-" without /usr/bin/time) of
# one run of a command.
seconds() {
  local start=$EPOCHREALTIME cpu=-
  if [ ${#cpu_timer[@]} -gt 0 ]; then
    "${cpu_timer[@]}" "$scratch/cpu" "$@"
    cpu=$(tail -n 1 "$scratch/cpu" | awk '{ printf "%.3f", $1 + $2 }')
  else
    "$@"
  fi
  awk -v s="$start" -v e="$EPOCHREALTIME" -v c="$cpu" 'BEGIN { printf "%.6f %s\n", e - s, c }'
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

# Median of column $1 of the standard input ("-" when it holds no numbers).
median() {
  awk -v c="$1" '$c != "-" { print $c }' | sort -g |
    awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
headless=("$job" -q)

printf '%-12s %-7s %5s %10s %10s %9s %8s %8s %9s %9s %10s\n' "input" "format" "runs" "job" "floor" "job/fl" \
  "job CPU" "fl CPU" "job RSS" "fl RSS" "MiB"
for game in "$@"; do
  for format in $formats; do
    out="$scratch/job.$format"
    # One run first: it gives the byte count for the floor and warms the
    # page cache.
    "${headless[@]}" --format "$format" "$game" "$out"
    bytes=$(stat -c %s "$out")
    : > "$scratch/job.times"
    : > "$scratch/floor.times"
    for ((i = 0; i < runs; i++)); do
      # Alternate which goes first, so drift hits both alike.
      if ((i % 2 == 0)); then
        seconds "${headless[@]}" --format "$format" "$game" "$out" >> "$scratch/job.times"
        seconds "$floor" "$game" "$scratch/floor.out" "$bytes" >> "$scratch/floor.times"
      else
        seconds "$floor" "$game" "$scratch/floor.out" "$bytes" >> "$scratch/floor.times"
        seconds "${headless[@]}" --format "$format" "$game" "$out" >> "$scratch/job.times"
      fi
    done
    # Peak memory from separate runs, so the timed runs carry no wrapper.
    job_rss=$(peak_rss "${headless[@]}" --format "$format" "$game" "$out")
    floor_rss=$(peak_rss "$floor" "$game" "$scratch/floor.out" "$bytes")
    [ "$(stat -c %s "$scratch/floor.out")" = "$bytes" ] || { echo "floor wrote a different size" >&2; exit 1; }
    awk -v name="$(basename "$game")" -v fmt="$format" -v n="$runs" \
        -v j="$(median 1 < "$scratch/job.times")" -v f="$(median 1 < "$scratch/floor.times")" \
        -v jc="$(median 2 < "$scratch/job.times")" -v fc="$(median 2 < "$scratch/floor.times")" \
        -v jr="$job_rss" -v fr="$floor_rss" -v b="$bytes" 'BEGIN {
      printf "%-12s %-7s %5d %7.1f ms %7.1f ms %8.2fx %6s s %6s s %5s MiB %5s MiB %10.1f\n",
             name, fmt, n, j * 1000, f * 1000, (f > 0 ? j / f : 0), jc, fc,
             (jr == "-" ? "-" : sprintf("%.1f", jr / 1024)), (fr == "-" ? "-" : sprintf("%.1f", fr / 1024)),
             b / 1048576
    }'
  done
done
