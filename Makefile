# Set-up, build and test on a fresh Debian machine.
BUILD      ?= build
JOBS       ?= $(shell nproc)
DEBS       := cmake g++ make pkg-config libpng-dev zlib1g-dev qt6-base-dev \
              libgtest-dev libgmock-dev libbenchmark-dev help2man \
              libgdal-dev gdal-bin qt6-svg-dev librsvg2-bin poppler-utils \
              xvfb xdotool imagemagick python3 strace
# The house format is checked by clang-format 14, as Debian 12 ships it.
FORMAT_DEBS := clang-format
# Only the fuzzing needs clang and its libFuzzer runtime.
FUZZ_DEBS  := clang libclang-rt-14-dev
FUZZ_SECONDS ?= 60
# The Debian package: dpkg-shlibdeps (dpkg-dev, file) works out its dependencies; the
# validators and lintian only check it.
PACKAGE_DEBS := dpkg-dev file
PACKAGE_CHECK_DEBS := desktop-file-utils appstream lintian
PREFIX     ?= /usr/local
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps fuzz-deps format-deps build test tsan format format-check demo bench fuzz clean \
        install package package-check killtest

all: build

deps:
	@$(MAKE) --no-print-directory install-debs PACKAGES="$(DEBS)"

fuzz-deps: deps
	@$(MAKE) --no-print-directory install-debs PACKAGES="$(FUZZ_DEBS)"

format-deps:
	@$(MAKE) --no-print-directory install-debs PACKAGES="$(FORMAT_DEBS)"

.PHONY: install-debs
install-debs:
	@missing=""; for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

# The whole suite under ThreadSanitizer (clang), its hand-over stress tests repeated
# STRESS_RUNS times; any report fails the test that made it. Qt, GDAL and the C++ runtime come
# from Debian, not built with ThreadSanitizer: it cannot see their own locking (Qt's thread pool
# and file-dialog threads, GDAL's mutexes) and would report their inner workings, so only
# accesses made by our code are judged; their locks still order ours.
STRESS_RUNS ?= 2000
tsan: fuzz-deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVARNHOLT_TSAN=ON >/dev/null
	cmake --build $(BUILD)/tsan -j$(JOBS)
	cd $(BUILD)/tsan && QT_QPA_PLATFORM=offscreen VARNHOLT_STRESS_RUNS=$(STRESS_RUNS) \
	  TSAN_OPTIONS="halt_on_error=1 abort_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1" \
	  ctest --output-on-failure -j$(JOBS) --timeout 1500

# Optimised build used by the demo and the benchmarks.
build: deps
	cmake -S . -B $(BUILD)/release -DCMAKE_BUILD_TYPE=Release -DVARNHOLT_BUILD_TESTS=OFF >/dev/null
	cmake --build $(BUILD)/release -j$(JOBS)

# Every tracked C++ file, in the house format of .clang-format.
CXX_SOURCES = $(shell git ls-files '*.cpp' '*.h')

format: format-deps
	clang-format -i $(CXX_SOURCES)

# Fails on any file that has drifted from the house format; run `make format` to fix.
format-check: format-deps
	clang-format --dry-run --Werror $(CXX_SOURCES)

# The test build runs under AddressSanitizer and UndefinedBehaviorSanitizer.
test: deps format-check
	cmake -S . -B $(BUILD)/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNHOLT_SANITIZE=ON >/dev/null
	cmake --build $(BUILD)/test -j$(JOBS)
	cd $(BUILD)/test && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# Every program's batch job and every writing tool killed at KILLS random moments each, then
# meeting a full disk WRITE_ERRORS times; every output must stay whole and the next run tidy up
# (tests/kill-test.sh; a TMPDIR on tmpfs speeds the tile writers up). make test runs a few.
KILLS ?= 200
killtest: build
	tests/kill-test.sh $(BUILD)/release/bin $(KILLS)

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

# Installs the optimised build under PREFIX (e.g. PREFIX=~/.local), staged in DESTDIR if set.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)/release --prefix $(PREFIX)

# The Debian package varnholt_<version>_amd64.deb in $(BUILD)/release/, for
# `apt install ./varnholt_<version>_amd64.deb`.
package: build
	@$(MAKE) --no-print-directory install-debs PACKAGES="$(PACKAGE_DEBS)"
	cd $(BUILD)/release && cpack -G DEB

# Validates the package's menu entries and metadata and runs lintian on it (errors fail).
package-check: package
	@$(MAKE) --no-print-directory install-debs PACKAGES="$(PACKAGE_CHECK_DEBS)"
	packaging/check-package.sh $(BUILD)/release

clean:
	rm -rf $(BUILD)
