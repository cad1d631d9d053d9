#!/bin/sh
# Every export of the fixture set, written by this tree's program and by the
# program of an earlier revision, compared byte for byte.
#
#   tools/compare-exports.sh REVISION
#
# The fixture set is the robustness game folders (good, newer, legacy,
# hostile, refused and broken archives) and the bundled sample, each run
# headless as `artisanscope -q [-e] [-d] <game> <out>.txt|.xml`. Both programs
# get the same folders, written by this tree's fixture library. The
# revision's program is built once in build-compare/ (its sources exported
# with git archive) and reused while the revision stays the same.
#
# For each run the export file, the exit status and standard error are kept
# in build-compare/{base,this}/. The check fails when an export that both
# programs wrote differs, or when this program wrote an export the other did
# not; files that only the earlier program wrote, and differences in status
# or messages, are listed for a person to judge.
set -eu
cd "$(dirname "$0")/.."

if [ $# -ne 1 ]; then
  echo "usage: $0 REVISION" >&2
  exit 2
fi
revision=$(git rev-parse --verify "$1^{commit}")
jobs=${JOBS:-$(nproc)}
build=${BUILD:-build}
work=build-compare
base_src="$work/src-$revision"
base_build="$work/build-$revision"

cmake --build "$build" -j"$jobs" --target artisanscope robustness_fixtures sample >/dev/null
if [ ! -x "$base_build/artisanscope" ]; then
  rm -rf "$base_src"
  mkdir -p "$base_src"
  git archive "$revision" | tar -x -C "$base_src"
  cmake -S "$base_src" -B "$base_build" -DCMAKE_BUILD_TYPE=Release -DARTISANSCOPE_TESTS=OFF >/dev/null
  cmake --build "$base_build" -j"$jobs" --target artisanscope >/dev/null
fi

rm -rf "$work/games" "$work/base" "$work/this"
"$build/tests/robustness_fixtures" "$work/games" >/dev/null
cp -r "$build/sample/camelot" "$work/games/sample"
mkdir -p "$work/base" "$work/this"

# run PROGRAM OUTFOLDER: every game, option set and format.
run() {
  program=$1 out=$2
  for game in "$work"/games/*/; do
    name=$(basename "$game")
    for options in "" "-e" "-d" "-d -e"; do
      tag=$(printf '%s' "$name$options" | tr -d ' ')
      for format in txt xml; do
        status=0
        # shellcheck disable=SC2086
        env -u DISPLAY -u WAYLAND_DISPLAY "$program" -q $options "$game" "$out/$tag.$format" \
          >/dev/null 2>"$out/$tag.$format.stderr" || status=$?
        echo "$status" >"$out/$tag.$format.status"
      done
    done
  done
}
run "$base_build/artisanscope" "$work/base"
run "$build/artisanscope" "$work/this"

failed=0 same=0
for file in "$work"/base/*.txt "$work"/base/*.xml "$work"/this/*.txt "$work"/this/*.xml; do
  [ -e "$file" ] || continue
  leaf=$(basename "$file")
  other="$work/base/$leaf"
  case $file in "$work"/base/*) other="$work/this/$leaf" ;; esac
  if [ -e "$other" ]; then
    case $file in "$work"/this/*) continue ;; esac  # each pair once
    if cmp -s "$file" "$other"; then
      same=$((same + 1))
    else
      echo "DIFFERS: $leaf"
      failed=1
    fi
  elif [ "${file#"$work"/this/}" != "$file" ]; then
    echo "ONLY NOW WRITTEN: $leaf"
    failed=1
  else
    echo "only written before: $leaf ($(wc -c <"$file") bytes; status then $(cat "$file.status"), now $(cat "$work/this/$leaf.status"))"
  fi
done
for file in "$work"/base/*.status "$work"/base/*.stderr; do
  leaf=$(basename "$file")
  cmp -s "$file" "$work/this/$leaf" || {
    echo "changed ${leaf##*.}: ${leaf%.*}"
    diff "$file" "$work/this/$leaf" | sed -n 's/^[<>] /    /p'
  }
done
echo "$same exports identical"
exit "$failed"
