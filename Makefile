# One entry point: `make test` and `make run` install what is missing,
# configure, build and go.

PACKAGES := cmake make g++ pkg-config zlib1g-dev libdeflate-dev libtinyxml-dev qt6-base-dev \
            libgtest-dev libbenchmark-dev clang-14 libclang-rt-14-dev valgrind \
            libsqlite3-dev rapidjson-dev python3 \
            librsvg2-bin dpkg-dev file lintian desktop-file-utils appstream \
            man-db groff-base
JOBS ?= 2
# The tools/ scripts build with the same number of jobs.
export JOBS
BUILD := build
ASAN_BUILD := build-asan
# Seconds each fuzz target runs in `make fuzz`; `make fuzz-ci` runs 30.
FUZZ_SECONDS ?= 60

.PHONY: all deps build build-asan test test-plain test-asan test-noqt run clean fuzz fuzz-ci memcheck package package-check

all: build

deps:
	@sh tools/install-deps.sh $(PACKAGES)

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

$(ASAN_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DARTISANSCOPE_SANITIZE=ON -DCMAKE_CXX_FLAGS=-O1

build-asan: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j$(JOBS)

test-plain: build
	ctest --test-dir $(BUILD) --output-on-failure

test-asan: build-asan
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure

# The configuration without Qt: the executable and its headless process
# tests, built in a folder of their own by a configure that never looks for
# Qt.
NOQT_BUILD := build-noqt
$(NOQT_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(NOQT_BUILD) -DCMAKE_BUILD_TYPE=Release -DARTISANSCOPE_GUI=OFF

test-noqt: deps $(NOQT_BUILD)/CMakeCache.txt
	@! grep -q '^Qt6_DIR' $(NOQT_BUILD)/CMakeCache.txt || { echo "the build without Qt looked for Qt"; exit 1; }
	cmake --build $(NOQT_BUILD) -j$(JOBS) --target artisanscope process_tests shell_tests
	@! ldd $(NOQT_BUILD)/artisanscope | grep -i qt || { echo "the executable links Qt"; exit 1; }
	ctest --test-dir $(NOQT_BUILD) --output-on-failure -R '^(layer_check|shell_tests|process_tests)$$'

test: test-plain test-asan test-noqt fuzz-ci package-check test-web

# The WebAssembly build (build-web/, emscripten from Debian): the libraries
# compiled once by tools/web-deps.sh into build-web/deps, then
# build-web/artisanscope.js (the command line for Node), the page's module
# and the core's tests. emscripten 3.1.6 finds its acorn module through
# NODE_PATH when Node is not Debian's own.
WEB_BUILD := build-web
export NODE_PATH := $(if $(NODE_PATH),$(NODE_PATH):)/usr/share/nodejs

.PHONY: web web-page run-web test-web bench-web

web: deps
	sh tools/web-deps.sh $(WEB_BUILD)/deps
	@[ -f $(WEB_BUILD)/CMakeCache.txt ] || \
	  emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WEB_BUILD) -j$(JOBS)
	$(MAKE) web-page

# The page (web/) in its two forms: $(WEB_BUILD)/site/ for a web host and
# $(WEB_BUILD)/artisanscope.html, one file to open from disk. esbuild, pinned
# in web/package-lock.json, bundles and inlines.
web-page:
	@[ -x web/node_modules/.bin/esbuild ] || (cd web && npm ci --no-audit --no-fund)
	node web/build.mjs $(WEB_BUILD)

# The site on this machine only, at the address printed.
WEB_PORT ?= 8000
run-web: web
	@echo "Artisanscope in the browser: http://127.0.0.1:$(WEB_PORT)/ (Ctrl+C ends)"
	python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_BUILD)/site

# The core's tests under Node, the process rows of the native tests run on
# artisanscope.js, and the native program against the WebAssembly one (the
# native build supplies its executable and the inputs).
test-web: web build
	cmake --build $(BUILD) -j$(JOBS) --target process_tests_web seed_corpora seed_games robustness_fixtures
	ctest --test-dir $(WEB_BUILD) --output-on-failure

# The Debian package artisanscope_<version>_<arch>.deb, written to this
# folder from a build of its own: installed under /usr, with Debian's
# hardening flags, without the tests.
PACKAGE_BUILD := build-package
$(PACKAGE_BUILD)/CMakeCache.txt: | deps
	eval "$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g \
	         dpkg-buildflags --export=sh)" && \
	CFLAGS="$$CFLAGS $$CPPFLAGS" CXXFLAGS="$$CXXFLAGS $$CPPFLAGS" \
	  cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DARTISANSCOPE_TESTS=OFF

package: deps $(PACKAGE_BUILD)/CMakeCache.txt
	cmake --build $(PACKAGE_BUILD) -j$(JOBS)
	rm -f $(PACKAGE_BUILD)/artisanscope_*.deb artisanscope_*.deb
	cd $(PACKAGE_BUILD) && cpack -G DEB
	cp $(PACKAGE_BUILD)/artisanscope_*.deb .

# lintian, the desktop entry, the metadata and the manual page of the built
# package, and its executable run from an extracted copy on the sample.
package-check: package build
	sh tools/check-package.sh artisanscope_*.deb $(BUILD)

# libFuzzer targets (clang-14, ASan + UBSan, build-fuzz/): each runs for a
# bounded time on its seeds plus earlier finds; a crash fails with the
# reproducer's path.
fuzz: deps
	sh tools/fuzz.sh $(FUZZ_SECONDS)

fuzz-ci: deps
	sh tools/fuzz.sh 30

# The headless job over good and broken game folders under Valgrind.
memcheck: deps
	sh tools/memcheck.sh

# With a display: the dialog on the bundled sample game folder. Without one:
# the unattended job writes out/recipes.xml and out/recipes.txt from it and
# shows how the tree begins.
SAMPLE := $(BUILD)/sample/camelot
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  ./$(BUILD)/artisanscope $(SAMPLE); \
	else \
	  mkdir -p out && \
	  ./$(BUILD)/artisanscope -q $(SAMPLE) out/recipes.xml && \
	  ./$(BUILD)/artisanscope -q $(SAMPLE) out/recipes.txt && \
	  echo "No display: wrote out/recipes.xml and out/recipes.txt from $(SAMPLE)." && \
	  echo "The tree (artisanscope --tree $(SAMPLE)) begins:" && \
	  ./$(BUILD)/artisanscope --tree $(SAMPLE) | head -n 20; \
	fi

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(NOQT_BUILD) $(PACKAGE_BUILD) $(WEB_BUILD) build-fuzz build-bench build-robust build-compare artisanscope_*.deb

# Benchmarks, in build-bench/ (Release, with the desktop part for the Qt
# model): `make bench-data` writes the bench game directories once,
# `make bench` runs every benchmark (BENCH_ARGS go to Google Benchmark, e.g.
# BENCH_ARGS=--benchmark_filter=realistic), `make bench-compare` times the
# headless exports of every format against the floor program, process by
# process.
BENCH_BUILD := build-bench
BENCH_DATA := $(BENCH_BUILD)/bench-data
BENCH_ARGS ?= --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

.PHONY: bench-data bench bench-compare

$(BENCH_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DARTISANSCOPE_BENCH=ON -DARTISANSCOPE_TESTS=OFF

bench-data: deps $(BENCH_BUILD)/CMakeCache.txt
	cmake --build $(BENCH_BUILD) -j$(JOBS) --target artisanscope-bench-data
	./$(BENCH_BUILD)/bench/artisanscope-bench-data $(BENCH_DATA)

bench: bench-data
	cmake --build $(BENCH_BUILD) -j$(JOBS) --target artisanscope-bench
	./$(BENCH_BUILD)/bench/artisanscope-bench --data=$(BENCH_DATA) $(BENCH_ARGS)

# The WebAssembly program against the native one on the bench tables, one
# process per run, alternating (tools/bench-web.py); and the .wasm sizes.
bench-web: web build bench-data
	python3 tools/bench-web.py $(BUILD)/artisanscope $(WEB_BUILD)/artisanscope.js $(BENCH_DATA) \
	  --web-module $(WEB_BUILD)/artisanscope-web.wasm

bench-compare: bench-data
	@sh tools/install-deps.sh time
	cmake --build $(BENCH_BUILD) -j$(JOBS) --target artisanscope artisanscope-floor-mapped
	bench/compare.sh -b $(BENCH_BUILD)
