# Set-up, build and test on a fresh Debian machine.
BUILD      ?= build
JOBS       ?= $(shell nproc)
DEBS       := cmake g++ make pkg-config libpng-dev zlib1g-dev qt6-base-dev \
              libgtest-dev libgmock-dev libbenchmark-dev libgdal-dev gdal-bin
# Only the fuzzing needs clang and its libFuzzer runtime.
FUZZ_DEBS  := clang libclang-rt-14-dev
FUZZ_SECONDS ?= 60
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps fuzz-deps build test demo bench fuzz clean

all: build

deps:
	@$(MAKE) --no-print-directory install-debs PACKAGES="$(DEBS)"

fuzz-deps: deps
	@$(MAKE) --no-print-directory install-debs PACKAGES="$(FUZZ_DEBS)"

.PHONY: install-debs
install-debs:
	@missing=""; for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

# Optimised build used by the demo and the benchmarks.
build: deps
	cmake -S . -B $(BUILD)/release -DCMAKE_BUILD_TYPE=Release -DVARNHOLT_BUILD_TESTS=OFF >/dev/null
	cmake --build $(BUILD)/release -j$(JOBS)

# The test build runs under AddressSanitizer and UndefinedBehaviorSanitizer.
test: deps
	cmake -S . -B $(BUILD)/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNHOLT_SANITIZE=ON >/dev/null
	cmake --build $(BUILD)/test -j$(JOBS)
	cd $(BUILD)/test && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# Builds, makes the sample terrain once, and runs all four programs in batch mode into demo/.
demo: build
	tools/demo.sh $(BUILD)/release/bin demo

# Our programs against the tools a user would pick instead; installs GDAL and GMT when missing.
# The sample inputs are made once into bench/work/. Not part of test.
bench: build
	BUILD=$(BUILD)/release bench/run.sh

# libFuzzer targets for every reader, built with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in their own build folder; each runs FUZZ_SECONDS.
fuzz: fuzz-deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVARNHOLT_FUZZ=ON -DVARNHOLT_BUILD_TESTS=OFF >/dev/null
	cmake --build $(BUILD)/fuzz -j$(JOBS) --target fuzzers
	fuzz/run.sh $(BUILD)/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)
