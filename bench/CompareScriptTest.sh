#!/usr/bin/env bash
# Runs bench/compare.sh against stand-ins for the job and the floor program:
# it must run the job for a text and an XML output, hand the text export's
# byte count to the floor, print one result line per game folder, and fail
# when the floor writes a different size.
set -euo pipefail
script=$(cd "$(dirname "$0")" && pwd)/compare.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/build/bench" "$work/game-a" "$work/game-b"

# The job: artisanscope -q <dir> <out>, writing 3000 bytes (5000 for XML)
# and noting the output's extension.
cat > "$work/build/artisanscope" <<'STUB'
#!/bin/sh
[ "$1" = "-q" ] && [ -d "$2" ] || exit 3
[ -z "${DISPLAY:-}" ] || exit 4
echo "${3##*.}" >> "$JOB_LOG"
case $3 in
  *.xml) head -c 5000 /dev/zero > "$3" ;;
  *) head -c 3000 /dev/zero > "$3" ;;
esac
STUB
# The floor: <dir> <out> <bytes>, writing <bytes> bytes (one more if asked to misbehave).
cat > "$work/build/bench/artisanscope-floor" <<'STUB'
#!/bin/sh
[ -d "$1" ] || exit 3
head -c $(( $3 + ${FLOOR_EXTRA:-0} )) /dev/zero > "$2"
STUB
chmod +x "$work/build/artisanscope" "$work/build/bench/artisanscope-floor"

export JOB_LOG="$work/job.log"
out=$(DISPLAY=:99 "$script" -n 3 -b "$work/build" "$work/game-a" "$work/game-b")
echo "$out"
[ "$(sort -u "$JOB_LOG" | tr '\n' ' ')" = "txt xml " ] || { echo "the job did not run for both text and XML" >&2; exit 1; }
[ "$(echo "$out" | grep -c 'x ')" -eq 2 ] || { echo "expected two result lines" >&2; exit 1; }
echo "$out" | grep -q '^game-a .* 3 .*x' || { echo "no line for game-a with 3 runs" >&2; exit 1; }

if FLOOR_EXTRA=1 "$script" -n 1 -b "$work/build" "$work/game-a" > /dev/null 2>&1; then
  echo "a floor writing another size was not noticed" >&2
  exit 1
fi
if "$script" -b "$work/nowhere" "$work/game-a" > /dev/null 2>&1; then
  echo "a missing build folder was not noticed" >&2
  exit 1
fi
echo "compare.sh checks passed"
