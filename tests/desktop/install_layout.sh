#!/bin/sh
# `cmake --install` into a temporary prefix: the installed executable must
# find its desktop module in the installed layout (a display run through Qt's
# offscreen platform) and export the sample as the build folder's one does.
#   install_layout.sh <build folder>
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
cmake --install "$build" --prefix "$work/prefix" >/dev/null
exe=$work/prefix/bin/artisanscope
[ -x "$exe" ] || { echo "no installed executable" >&2; exit 1; }
[ ! -e "$work/prefix/bin/artisanscope-desktop.so" ] || { echo "module installed beside the executable" >&2; exit 1; }
env -u DISPLAY -u WAYLAND_DISPLAY "$build/artisanscope" -q -e "$build/sample/camelot" "$work/reference.txt"
env -u WAYLAND_DISPLAY DISPLAY=:install-layout QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" \
  "$exe" -q -e "$build/sample/camelot" "$work/installed.txt"
cmp "$work/reference.txt" "$work/installed.txt"
echo "installed layout: ok"
