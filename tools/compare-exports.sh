#!/bin/sh
# Every export and comparison report of the fixture set, written by this
# tree's program and by the program of an earlier revision, compared byte for
# byte.
#
#   tools/compare-exports.sh REVISION
#
# The fixture set is the robustness game folders (good, newer, legacy,
# hostile, refused and broken archives), the bundled sample and its patched
# twin. Each is run headless as `artisanscope -q [-e] [-d] <game> <out>` in
# every format (text and XML by the name, CSV, JSON and SQLite by --format),
# plainly and with two --find queries; pairs of them are compared with
# `--diff` (text and JSON reports, with and without -e, -d and --find). Both
# programs get the same folders, written by this tree's fixture library. The
# revision's program is built once in build-compare/ (its sources exported
# with git archive) and reused while the revision stays the same.
#
# For each run the output (the export file, or the report on standard
# output), the exit status and standard error are kept in
# build-compare/{base,this}/. SQLite databases that differ in their bytes
# are compared by their SQL dump (Python's sqlite3 module). The check fails
# when an output that both programs wrote differs, or when this program
# wrote an output the other did not; outputs that only the earlier program
# wrote, and differences in status or messages, are listed for a person to
# judge.
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
  launcher=
  command -v ccache >/dev/null && launcher=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache
  cmake -S "$base_src" -B "$base_build" -DCMAKE_BUILD_TYPE=Release -DARTISANSCOPE_TESTS=OFF $launcher >/dev/null
  cmake --build "$base_build" -j"$jobs" --target artisanscope >/dev/null
fi

rm -rf "$work/games" "$work/base" "$work/this"
"$build/tests/robustness_fixtures" "$work/games" >/dev/null
cp -r "$build/sample/camelot" "$work/games/sample"
cp -r "$build/sample/camelot-patch" "$work/games/sample-patch"
mkdir -p "$work/base" "$work/this"

tab=$(printf '\t')
# The runs, one a line: "tag<TAB>kind<TAB>arguments", the arguments separated
# by "|". kind "file": the output file $OUT/tag is appended as the last
# argument; kind "stdout": standard output is the output.
cases() {
  for game in "$work"/games/*/; do
    name=$(basename "$game")
    for options in "" "-e" "-d" "-d|-e"; do
      for find in "" "--find=schwert eisen" "--find=e"; do
        tag=$name$(printf '%s' "$options" | tr -d '|')
        case $find in
          "--find=e") tag=$tag-find-e ;;
          ?*) tag=$tag-find-sword ;;
        esac
        start="-q|${options:+$options|}${find:+$find|}"
        for format in txt xml; do
          echo "$tag.$format${tab}file${tab}$start$game"
        done
        for format in csv json sqlite; do
          echo "$tag.$format${tab}file${tab}$start--format|$format|$game"
        done
      done
    done
  done
  for pair in "sample sample-patch" "valid-v102 newer-v103" "valid-v101 valid-v102" "valid-v102 hostile-table" \
              "truncated-table valid-v102"; do
    old=$work/games/${pair% *} new=$work/games/${pair#* }
    tag=diff-$(printf '%s' "$pair" | tr ' ' '-')
    for options in "" "-e" "-d" "--find=schwert eisen" "--find=e|-d"; do
      otag=$(printf '%s' "$options" | tr -d '| =')
      echo "$tag$otag.txt${tab}stdout${tab}--diff|$old|$new${options:+|$options}"
      echo "$tag$otag.json${tab}stdout${tab}--format|json|--diff|$old|$new${options:+|$options}"
    done
    echo "$tag-file.json${tab}file${tab}--format|json|--diff|$old|$new"
  done
}

# run PROGRAM OUTFOLDER: every case.
run() {
  program=$1 out=$2
  cases | while IFS="$tab" read -r tag kind args; do
    set -f
    old_ifs=$IFS
    IFS='|'
    # shellcheck disable=SC2086
    set -- $args
    IFS=$old_ifs
    set +f
    status=0
    if [ "$kind" = file ]; then
      env -u DISPLAY -u WAYLAND_DISPLAY "$program" "$@" "$out/$tag" >/dev/null 2>"$out/$tag.stderr" </dev/null \
        || status=$?
    else
      env -u DISPLAY -u WAYLAND_DISPLAY "$program" "$@" >"$out/$tag" 2>"$out/$tag.stderr" </dev/null || status=$?
    fi
    echo "$status" >"$out/$tag.status"
  done
}
run "$base_build/artisanscope" "$work/base"
run "$build/artisanscope" "$work/this"

# same A B: the two outputs hold the same; databases by their SQL dump when
# their bytes differ.
same() {
  cmp -s "$1" "$2" && return 0
  case $1 in *.sqlite) ;; *) return 1 ;; esac
  python3 - "$1" "$2" <<'PY'
import sqlite3, sys
dumps = []
for path in sys.argv[1:]:
    with sqlite3.connect(path) as db:
        dumps.append(list(db.iterdump()))
sys.exit(0 if dumps[0] == dumps[1] else 1)
PY
}

failed=0 same=0
for file in "$work"/base/* "$work"/this/*; do
  case $file in *.status | *.stderr) continue ;; esac
  [ -e "$file" ] || continue
  leaf=$(basename "$file")
  other="$work/base/$leaf"
  case $file in "$work"/base/*) other="$work/this/$leaf" ;; esac
  if [ -e "$other" ]; then
    case $file in "$work"/this/*) continue ;; esac  # each pair once
    if same "$file" "$other"; then
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
echo "$same outputs identical"
exit "$failed"
