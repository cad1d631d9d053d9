# One entry point: `make test` and `make run` install what is missing,
# configure, build and go.

PACKAGES := cmake make g++ pkg-config zlib1g-dev libtinyxml-dev qt6-base-dev \
            libgtest-dev libbenchmark-dev
JOBS ?= 2
BUILD := build
ASAN_BUILD := build-asan

.PHONY: all deps build build-asan test test-plain test-asan run clean

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

test: test-plain test-asan

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
	rm -rf $(BUILD) $(ASAN_BUILD)
