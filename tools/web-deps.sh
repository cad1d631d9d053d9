#!/bin/sh
# The C and C++ libraries of the WebAssembly build, compiled with emscripten
# from Debian's source packages at the versions the native build links:
# zlib, libdeflate, TinyXML, SQLite and GoogleTest (from /usr/src). Sources go
# to DEPS/src, headers to DEPS/include, libraries to DEPS/lib; a stamp per
# library holds the version it was built from, so later runs only rebuild
# what changed. RapidJSON is headers only: DEPS/include links Debian's.
#
#   tools/web-deps.sh [DEPS]      (default build-web/deps)
#
# Also the page's side: Debian's chromium, which its tests and benchmarks
# drive headless, and its npm packages (web/package-lock.json) by `npm ci`
# whenever the lock file changed.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
deps=$(mkdir -p "${1:-$root/build-web/deps}" && cd "${1:-$root/build-web/deps}" && pwd)
jobs=${JOBS:-2}

# emscripten itself, the tools that unpack and prepare the sources (tclsh
# writes SQLite's single-file source), GoogleTest's sources and the native
# development packages whose versions are matched.
sh "$root/tools/install-deps.sh" emscripten dpkg-dev xz-utils bzip2 tcl gcc make cmake python3 \
  googletest rapidjson-dev zlib1g-dev libdeflate-dev libtinyxml-dev libsqlite3-dev

# emscripten 3.1.6 looks for acorn through NODE_PATH when the Node in use is
# not Debian's own.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

mkdir -p "$deps/src" "$deps/include" "$deps/lib"

# The source package and version of the native development package $1.
source_of() {
  dpkg-query -W -f='${source:Package}=${source:Version}' "$1"
}

has_deb_src() {
  grep -rqsE '^[[:space:]]*(Types:.*deb-src|deb-src[[:space:]])' /etc/apt/sources.list /etc/apt/sources.list.d/
}

# Adds Debian's source lines beside its binary ones, once, in a file of their
# own.
ensure_deb_src() {
  has_deb_src && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "No deb-src entry for apt-get source. Run as root: sh tools/web-deps.sh" >&2
    exit 1
  fi
  list=/etc/apt/sources.list.d/debian-src.sources
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$list"
  else
    cat > "$list" <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  apt-get update -qq
}

# Unpacks source package $1 (name=version) into DEPS/src/$2, fresh.
fetch() {
  ensure_deb_src
  rm -rf "$deps/src/$2" "$deps/src/download"
  mkdir -p "$deps/src/download"
  (cd "$deps/src/download" && apt-get source -qq --download-only "$1" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
  dsc=$(ls "$deps/src/download"/*.dsc)
  # Debian's signing keys may be missing; apt has checked the files' sums.
  dpkg-source -q -x "$dsc" "$deps/src/$2" > "$deps/src/unpack.log" 2>&1 || { cat "$deps/src/unpack.log" >&2; exit 1; }
  rm -f "$deps/src/unpack.log"
  rm -rf "$deps/src/download"
}

# Compiles the listed sources into the static library DEPS/lib/$1.
archive() {
  library=$1
  compiler=$2
  flags=$3
  shift 3
  objects="$deps/obj/$library"
  rm -rf "$objects" && mkdir -p "$objects"
  for file in "$@"; do
    # shellcheck disable=SC2086
    $compiler $flags -c "$file" -o "$objects/$(basename "$file").o"
  done
  rm -f "$deps/lib/$library"
  emar rcs "$deps/lib/$library" "$objects"/*.o
  rm -rf "$objects"
}

# C++ is compiled with WebAssembly's own exceptions, as the program is
# (cmake/WebBuild.cmake); a stamp holds the version and these flags.
cxx_flags="-fwasm-exceptions"

up_to_date() {
  [ -f "$deps/stamp-$1" ] && [ "$(cat "$deps/stamp-$1")" = "$2" ]
}

# zlib
version=$(source_of zlib1g-dev)
if ! up_to_date zlib "$version"; then
  fetch "$version" zlib
  src="$deps/src/zlib"
  archive libz.a emcc "-O3 -DUNALIGNED_OK -D_REENTRANT -DHAVE_UNISTD_H -DHAVE_STDARG_H" \
    "$src/adler32.c" "$src/compress.c" "$src/crc32.c" "$src/deflate.c" "$src/gzclose.c" "$src/gzlib.c" \
    "$src/gzread.c" "$src/gzwrite.c" "$src/infback.c" "$src/inffast.c" "$src/inflate.c" \
    "$src/inftrees.c" "$src/trees.c" "$src/uncompr.c" "$src/zutil.c"
  cp "$src/zlib.h" "$src/zconf.h" "$deps/include/"
  echo "$version" > "$deps/stamp-zlib"
fi

# libdeflate
version=$(source_of libdeflate-dev)
if ! up_to_date libdeflate "$version"; then
  fetch "$version" libdeflate
  src="$deps/src/libdeflate"
  archive libdeflate.a emcc "-O2 -I$src" "$src"/lib/*.c "$src"/lib/arm/*.c "$src"/lib/x86/*.c
  cp "$src/libdeflate.h" "$deps/include/"
  echo "$version" > "$deps/stamp-libdeflate"
fi

# TinyXML, with the standard library strings Debian builds it with
version="$(source_of libtinyxml-dev) $cxx_flags"
if ! up_to_date tinyxml "$version"; then
  fetch "${version%% *}" tinyxml
  src="$deps/src/tinyxml"
  archive libtinyxml.a em++ "-O2 -DTIXML_USE_STL $cxx_flags" \
    "$src/tinyxml.cpp" "$src/tinyxmlparser.cpp" "$src/tinyxmlerror.cpp"
  cp "$src/tinyxml.h" "$deps/include/"
  echo "$version" > "$deps/stamp-tinyxml"
fi

# SQLite: the single-file source is written by the host's compiler and tclsh,
# then compiled with Debian's options, less threads and loadable extensions,
# which WebAssembly has not.
version=$(source_of libsqlite3-dev)
if ! up_to_date sqlite "$version"; then
  fetch "$version" sqlite
  src="$deps/src/sqlite"
  (cd "$src" && ./configure -q --disable-tcl > /dev/null && make -s -j"$jobs" sqlite3.c > /dev/null)
  archive libsqlite3.a emcc "-O2 -fno-strict-aliasing -DSQLITE_SECURE_DELETE -DSQLITE_ENABLE_COLUMN_METADATA \
    -DSQLITE_OMIT_LOOKASIDE=1 -DSQLITE_LIKE_DOESNT_MATCH_BLOBS -DSQLITE_USE_URI=1 \
    -DSQLITE_MAX_SCHEMA_RETRY=25 -DSQLITE_MAX_VARIABLE_NUMBER=250000 \
    -DSQLITE_THREADSAFE=0 -DSQLITE_OMIT_LOAD_EXTENSION" "$src/sqlite3.c"
  cp "$src/sqlite3.h" "$deps/include/"
  echo "$version" > "$deps/stamp-sqlite"
fi

# GoogleTest, from the sources Debian's googletest package installs.
version="$(dpkg-query -W -f='${Version}' googletest) $cxx_flags"
if ! up_to_date gtest "$version"; then
  rm -rf "$deps/obj/gtest"
  emcmake cmake -S /usr/src/googletest -B "$deps/obj/gtest" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS="$cxx_flags" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=ON -DCMAKE_INSTALL_PREFIX="$deps" \
    -DCMAKE_INSTALL_LIBDIR=lib > /dev/null
  cmake --build "$deps/obj/gtest" -j"$jobs" > /dev/null
  cmake --install "$deps/obj/gtest" > /dev/null
  rm -rf "$deps/obj/gtest"
  echo "$version" > "$deps/stamp-gtest"
fi

# RapidJSON: Debian's headers as they are (the rest of /usr/include must not
# come before emscripten's own C library).
ln -sfn /usr/include/rapidjson "$deps/include/rapidjson"
rmdir "$deps/obj" 2>/dev/null || true

# The page's npm packages, installed again only when the lock file changed
# (a copy of it beside them marks what was installed). npm comes with
# NodeSource's Node; Debian's Node needs Debian's npm.
sh "$root/tools/install-deps.sh" chromium
command -v npm > /dev/null || sh "$root/tools/install-deps.sh" npm
if ! cmp -s "$root/web/package-lock.json" "$root/web/node_modules/.installed-lock.json"; then
  (cd "$root/web" && npm ci --no-audit --no-fund)
  cp "$root/web/package-lock.json" "$root/web/node_modules/.installed-lock.json"
fi
