#!/usr/bin/env bash
# Runs bench/compare.sh against stand-ins for the job and the floor program:
# it must run the job for every format asked for, hand each export's byte
# count to the floor, print one result line per game folder and format, and
# fail when the floor writes a different size.
set -euo pipefail
script=$(cd "$(dirname "$0")" && pwd)/compare.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/build/bench" "$work/game-a" "$work/game-b"

# The job: artisanscope -q --format <format> <dir> <out>, writing 3000 bytes
# (5000 for XML) and noting the format.
cat > "$work/build/artisanscope" <<'STUB'
#!/bin/sh
[ "$1" = "-q" ] && [ "$2" = "--format" ] && [ -d "$4" ] || exit 3
[ -z "${DISPLAY:-}" ] || exit 4
echo "$3" >> "$JOB_LOG"
case $3 in
  xml) head -c 5000 /dev/zero > "$5" ;;
  *) head -c 3000 /dev/zero > "$5" ;;
esac
STUB
# The floor: <dir> <out> <bytes>, writing <bytes> bytes (one more if asked to misbehave).
cat > "$work/build/bench/artisanscope-floor-mapped" <<'STUB'
#!/bin/sh
[ -d "$1" ] || exit 3
echo "$3" >> "$FLOOR_LOG"
head -c $(( $3 + ${FLOOR_EXTRA:-0} )) /dev/zero > "$2"
STUB
chmod +x "$work/build/artisanscope" "$work/build/bench/artisanscope-floor-mapped"

export JOB_LOG="$work/job.log" FLOOR_LOG="$work/floor.log"
out=$(DISPLAY=:99 "$script" -n 3 -b "$work/build" -f "text xml json" "$work/game-a" "$work/game-b")
echo "$out"
[ "$(sort -u "$JOB_LOG" | tr '\n' ' ')" = "json text xml " ] || { echo "the job did not run for every format" >&2; exit 1; }
[ "$(echo "$out" | grep -c 'x ')" -eq 6 ] || { echo "expected six result lines" >&2; exit 1; }
echo "$out" | grep -q '^game-a  *xml  *3 ' || { echo "no line for game-a's XML with 3 runs" >&2; exit 1; }
[ "$(sort -u "$FLOOR_LOG" | tr '\n' ' ')" = "3000 5000 " ] || { echo "the floor did not write each export's size" >&2; exit 1; }

if FLOOR_EXTRA=1 "$script" -n 1 -b "$work/build" "$work/game-a" > /dev/null 2>&1; then
  echo "a floor writing another size was not noticed" >&2
  exit 1
fi
if "$script" -b "$work/nowhere" "$work/game-a" > /dev/null 2>&1; then
  echo "a missing build folder was not noticed" >&2
  exit 1
fi
echo "compare.sh checks passed"
