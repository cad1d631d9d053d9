#!/bin/sh
# Checks the built Debian package as a user gets it:
#   tools/check-package.sh artisanscope_<version>_<arch>.deb <build folder>
# lintian must report no error; the package is extracted into a temporary
# root, where the desktop entry, the AppStream metadata, the icons and the
# manual page are validated and the extracted executable exports the build
# folder's sample game (sample/camelot) without a display and, through its
# installed desktop module, with one (Qt's offscreen platform). Its exports
# must equal those of the build folder's own executable.
set -eu

deb=${1:?usage: check-package.sh <package.deb> <build folder>}
build=${2:?usage: check-package.sh <package.deb> <build folder>}
sample=$build/sample/camelot
id=io.github.artisanscope.Artisanscope

failures=0
fail() {
  echo "check-package: FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "check-package: ok: $*"; }

[ -f "$deb" ] || { echo "check-package: no package $deb" >&2; exit 1; }
[ -f "$sample/data/ifd.mpk" ] || { echo "check-package: no sample game in $sample" >&2; exit 1; }
deb=$(readlink -f "$deb")
build=$(readlink -f "$build")
sample=$build/sample/camelot

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
root=$work/root

# lintian: errors fail, warnings are shown. As root it needs to be told.
lintian_log=$work/lintian.txt
if lintian --allow-root --fail-on error --display-info "$deb" >"$lintian_log" 2>&1; then
  pass "lintian: no error ($(grep -c '^W:' "$lintian_log" || true) warnings)"
else
  fail "lintian reports errors"
fi
sed 's/^/  lintian: /' "$lintian_log"

dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)
echo "check-package: Depends: $(dpkg-deb -f "$deb" Depends)"

for path in usr/bin/artisanscope usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
            usr/share/man/man1/artisanscope.1.gz usr/share/icons/hicolor/scalable/apps/artisanscope.svg \
            usr/share/doc/artisanscope/copyright usr/share/doc/artisanscope/changelog.gz; do
  [ -f "$root/$path" ] || fail "missing /$path"
done
module=$(find "$root/usr/lib" -name artisanscope-desktop.so)
[ -n "$module" ] && pass "desktop module at ${module#"$root"}" || fail "no desktop module under /usr/lib"
for size in 16 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x$size/apps/artisanscope.png
  file -b "$png" 2>/dev/null | grep -q "PNG image data, $size x $size," || fail "icon ${size}x$size missing or of another size"
done
if objdump -p "$root/usr/bin/artisanscope" | grep NEEDED | grep -qi qt; then
  fail "the executable links Qt"
fi

desktop-file-validate "$root/usr/share/applications/$id.desktop" && pass "desktop-file-validate" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" && pass "appstreamcli validate" ||
  fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" ||
  fail "the metadata's release is not $version"
man_warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
  man --warnings -E UTF-8 -l "$root/usr/share/man/man1/artisanscope.1.gz" 2>&1 >/dev/null)
[ -z "$man_warnings" ] && pass "manual page renders without warnings" || fail "manual page: $man_warnings"
# Every option of the README's command-line table is in the manual page.
readme=$(dirname "$0")/../README.md
man_text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$root/usr/share/man/man1/artisanscope.1.gz" 2>/dev/null)
for option in $(grep '^| `-' "$readme" | cut -d'|' -f2 | grep -o '`-[^` ]*' | tr -d '`'); do
  printf '%s\n' "$man_text" | grep -qF -e "$option" || fail "the manual page lacks the option $option"
done
# Its FILES section names the module where the package put it.
printf '%s\n' "$man_text" | grep -qF -e "${module#"$root"}" && pass "the manual page names ${module#"$root"}" ||
  fail "the manual page does not name ${module#"$root"}"

# The extracted executable, run as an installed one would be.
exe=$root/usr/bin/artisanscope
reference=$build/artisanscope
out=$work/out
mkdir "$out"
run_headless() { env -u DISPLAY -u WAYLAND_DISPLAY "$@"; }

[ "$(run_headless "$exe" --version)" = "Artisanscope $version" ] && pass "--version prints Artisanscope $version" ||
  fail "--version does not print Artisanscope $version"
for name in recipes.xml recipes.txt; do
  run_headless "$reference" -q "$sample" "$out/reference-$name" || fail "the build's executable failed on $name"
  if run_headless "$exe" -q "$sample" "$out/$name" && cmp -s "$out/reference-$name" "$out/$name"; then
    pass "headless export $name"
  else
    fail "headless export $name from the extracted executable"
  fi
done
# With a display the extracted module must be found and run the job.
if env -u WAYLAND_DISPLAY DISPLAY=:check-package QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" \
     "$exe" -q -e "$sample" "$out/dialog.txt" && run_headless "$reference" -q -e "$sample" "$out/reference-dialog.txt" &&
   cmp -s "$out/reference-dialog.txt" "$out/dialog.txt"; then
  pass "dialog job through the installed desktop module"
else
  fail "dialog job through the installed desktop module"
fi

if [ "$failures" -ne 0 ]; then
  echo "check-package: $failures check(s) failed" >&2
  exit 1
fi
echo "check-package: $(basename "$deb") passed"
