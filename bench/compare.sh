#!/usr/bin/env bash
# Times the headless command-line exports, text and XML, against the floor
# program, process against process, with repeated runs in rotating order,
# and prints the medians, their ratios and the peak resident set size of
# each.
#
#   bench/compare.sh [-n RUNS] [-b BUILD_DIR] [-o OUT_DIR] [GAME_DIR...]
#
# BUILD_DIR holds the `artisanscope` executable and bench/artisanscope-floor
# (default: build-bench). Without GAME_DIR the realistic and maximum bench
# inputs are compared (written first with `make bench-data`). The job runs as
# a user would start it from a shell without a display: DISPLAY,
# WAYLAND_DISPLAY and QT_QPA_PLATFORM unset. The floor writes as many bytes
# as the text export. Outputs go to a fresh folder in OUT_DIR (default: the
# system's temporary folder); the exports sync their file before renaming
# it, so on a slow disk OUT_DIR=/dev/shm separates their work from the disk's.
# Besides wall time the medians of user + system CPU time are printed: on a
# machine shared with other work they move far less than wall time.
set -euo pipefail

runs=21
build=build-bench
out_dir=${TMPDIR:-/tmp}
while getopts "n:b:o:h" opt; do
  case $opt in
    n) runs=$OPTARG ;;
    b) build=$OPTARG ;;
    o) out_dir=$OPTARG ;;
    *) sed -n '2,20p' "$0"; exit 2 ;;
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

printf '%-28s %5s %10s %10s %10s %9s %9s %9s %9s %10s %10s %10s\n' "input" "runs" "text job" "XML job" "floor" \
  "text/fl" "XML/text" "text CPU" "XML CPU" "text RSS" "XML RSS" "floor RSS"
for game in "$@"; do
  # One run of each job first: the text export gives the byte count for the
  # floor, and both warm the page cache.
  "${headless[@]}" "$game" "$scratch/job.txt"
  "${headless[@]}" "$game" "$scratch/job.xml"
  bytes=$(stat -c %s "$scratch/job.txt")
  xml_bytes=$(stat -c %s "$scratch/job.xml")
  commands=(text xml floor)
  : > "$scratch/text.times"
  : > "$scratch/xml.times"
  : > "$scratch/floor.times"
  for ((i = 0; i < runs; i++)); do
    # Rotate which goes first, so drift hits all three alike.
    for ((k = 0; k < 3; k++)); do
      case ${commands[(i + k) % 3]} in
        text) seconds "${headless[@]}" "$game" "$scratch/job.txt" >> "$scratch/text.times" ;;
        xml) seconds "${headless[@]}" "$game" "$scratch/job.xml" >> "$scratch/xml.times" ;;
        floor) seconds "$floor" "$game" "$scratch/floor.txt" "$bytes" >> "$scratch/floor.times" ;;
      esac
    done
  done
  # Peak memory from separate runs, so the timed runs carry no wrapper.
  text_rss=$(peak_rss "${headless[@]}" "$game" "$scratch/job.txt")
  xml_rss=$(peak_rss "${headless[@]}" "$game" "$scratch/job.xml")
  floor_rss=$(peak_rss "$floor" "$game" "$scratch/floor.txt" "$bytes")
  [ "$(stat -c %s "$scratch/floor.txt")" = "$bytes" ] || { echo "floor wrote a different size" >&2; exit 1; }
  text_median=$(median 1 < "$scratch/text.times")
  xml_median=$(median 1 < "$scratch/xml.times")
  floor_median=$(median 1 < "$scratch/floor.times")
  text_cpu=$(median 2 < "$scratch/text.times")
  xml_cpu=$(median 2 < "$scratch/xml.times")
  awk -v name="$(basename "$game")" -v n="$runs" -v t="$text_median" -v x="$xml_median" -v f="$floor_median" \
      -v tc="$text_cpu" -v xc="$xml_cpu" \
      -v tr="$text_rss" -v xr="$xml_rss" -v fr="$floor_rss" -v b="$bytes" -v xb="$xml_bytes" 'BEGIN {
    printf "%-28s %5d %7.1f ms %7.1f ms %7.1f ms %8.2fx %8.2fx %7s s %7s s %6s MiB %6s MiB %6s MiB\n",
           name " (" sprintf("%.1f/%.1f", b / 1048576, xb / 1048576) " MiB)", n, t * 1000, x * 1000, f * 1000, t / f, x / t,
           tc, xc,
           (tr == "-" ? "-" : sprintf("%.1f", tr / 1024)), (xr == "-" ? "-" : sprintf("%.1f", xr / 1024)),
           (fr == "-" ? "-" : sprintf("%.1f", fr / 1024))
  }'
done
