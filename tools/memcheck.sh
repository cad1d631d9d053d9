#!/bin/sh
# Runs the headless command-line job over good and broken game folders under
# Valgrind memcheck: no invalid read or write, no use of uninitialised
# values, no definitely or indirectly lost block, and the exit status a
# correct job gives for each folder (0 exported, 1 failed).
#
#   tools/memcheck.sh            every folder, XML and text, plain and -debug -english
#   MEMCHECK_QUICK=1 tools/memcheck.sh   a short subset for CI
#
# Programs checked: the `artisanscope` executable run without a display (when
# the desktop application is part of the build) and `load_driver`, the same
# export through the core alone. Builds in build-robust/memcheck
# (RelWithDebInfo, no sanitizers). Valgrind's own failure status is 86, so
# that it cannot be taken for the job's exit status 1.
set -eu
cd "$(dirname "$0")/.."

build=${MEMCHECK_BUILD:-build-robust/memcheck}
quick=${MEMCHECK_QUICK:-0}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets="robustness_fixtures load_driver"
# The desktop application is checked when this build has it.
if cmake --build "$build" --target help 2>/dev/null | grep -qE '^\.\.\. artisanscope$'; then
  targets="$targets artisanscope"
fi
cmake --build "$build" -j"${JOBS:-$(nproc)}" --target $targets >/dev/null

work="$build/memcheck-run"
rm -rf "$work"
mkdir -p "$work/out" "$work/logs"
"$build/tests/robustness_fixtures" "$work/games" >"$work/fixtures.txt"

if [ "$quick" = 1 ]; then
  grep -E '^(valid-v102|valid-v101|hostile-table|refused-v100|member-crc-wrong|cut-member-stream) ' \
    "$work/fixtures.txt" >"$work/selected.txt"
  outputs="xml"
  modes="plain"
else
  cp "$work/fixtures.txt" "$work/selected.txt"
  outputs="xml txt"
  modes="plain debug-english"
fi

runs=0
failures=0

# check NAME EXPECTED_STATUS COMMAND...: one run under memcheck.
check() {
  name=$1 expected=$2
  shift 2
  runs=$((runs + 1))
  log="$work/logs/$name.log"
  status=0
  env -u DISPLAY -u WAYLAND_DISPLAY valgrind --quiet --error-exitcode=86 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
    --num-callers=30 --log-file="$log" "$@" >/dev/null 2>"$work/logs/$name.stderr" || status=$?
  if [ "$status" -eq 86 ] || [ -s "$log" ]; then
    failures=$((failures + 1))
    echo "MEMCHECK ERRORS: $name ($*)"
    sed -n '1,60p' "$log"
  elif [ "$status" -ne "$expected" ]; then
    failures=$((failures + 1))
    echo "WRONG EXIT STATUS $status (expected $expected): $name ($*)"
    cat "$work/logs/$name.stderr"
  fi
}

programs="load_driver"
[ -x "$build/artisanscope" ] && echo "$targets" | grep -q artisanscope && programs="artisanscope $programs"

for program in $programs; do
  while read -r game expected; do
    for output in $outputs; do
      for mode in $modes; do
        options=""
        [ "$mode" = debug-english ] && options="-debug -english"
        target="$work/out/$program-$game-$mode.$output"
        if [ "$program" = artisanscope ]; then
          # shellcheck disable=SC2086
          check "$program-$game-$mode-$output" "$expected" "$build/artisanscope" $options "$work/games/$game" "$target"
        else
          # shellcheck disable=SC2086
          check "$program-$game-$mode-$output" "$expected" "$build/tests/load_driver" $options \
            "$work/games/$game/data/ifd.mpk" "$target"
        fi
      done
    done
  done <"$work/selected.txt"

  # Outputs that cannot be written: the job fails with status 1 and frees
  # everything on the way out.
  for output in xml txt; do
    for target in "$work/no-such-folder/recipes.$output" /dev/full; do
      [ "$target" = /dev/full ] && [ "$output" = xml ] && continue  # XML is saved beside its target
      label="$program-unwritable-$(basename "$(dirname "$target")")-$output"
      if [ "$program" = artisanscope ]; then
        check "$label" 1 "$build/artisanscope" "$work/games/valid-v102" "$target"
      else
        check "$label" 1 "$build/tests/load_driver" "$work/games/valid-v102/data/ifd.mpk" "$target"
      fi
    done
  done
done

echo "memcheck: $runs runs of $(echo "$programs" | tr ' ' ','), $failures failing; logs in $work/logs"
[ "$failures" -eq 0 ]
