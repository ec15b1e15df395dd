# Thin front door over CMake. `make run` installs what is needed, builds and
# starts Sorvane; `make test` builds and runs every test suite, plainly and
# under the sanitizers.

SHELL := /bin/bash
JOBS ?= $(shell nproc)
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

PACKAGES := build-essential cmake ninja-build pkg-config \
            libgtest-dev libgmock-dev libbenchmark-dev libxxhash-dev \
            xorriso genisoimage libarchive-tools p7zip-full clang time \
            dpkg-dev file lintian desktop-file-utils appstream bash-completion groff-base \
            qt6-base-dev xvfb xauth \
            fp-utils libchm-dev

CONFIGURE = cmake -S . -G Ninja -Wno-dev
# The main build is configured as a Debian package installs it, so that
# `make package` reuses it.
CONFIGURE_MAIN = $(CONFIGURE) -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr

.PHONY: all deps build run package test test-plain test-package test-asan test-tsan bench fuzz clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

build: deps
	$(CONFIGURE_MAIN)
	cmake --build build -j $(JOBS)

# Starting Sorvane means its wizard. Without a desktop session it says so
# and shows the command-line front end instead: its commands, then the drive
# it would record with (the emulated recorder on a machine without one) and
# the disc in it.
run: build
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	  ./build/bin/sorvane; \
	else \
	  echo "The Sorvane wizard needs a desktop session (DISPLAY or WAYLAND_DISPLAY); here is sorvane-cli instead."; \
	  ./build/bin/sorvane-cli --help; \
	  ./build/bin/sorvane-cli info; \
	fi

# The Debian package of the main build: build/sorvane_*.deb.
package: build
	rm -f build/sorvane_*.deb
	cmake --build build --target package

test: deps test-plain test-package test-asan test-tsan

# ctest prints nothing of a test that skipped itself; the reason it gave is
# in the tree's log, and is shown after the run.
define skip-reasons
	@grep -h -A1 ': Skipped$$' $(1)/Testing/Temporary/LastTest.log 2>/dev/null | grep -v '^--$$' || true
endef

test-plain:
	$(CONFIGURE_MAIN)
	cmake --build build -j $(JOBS)
	ctest --test-dir build --output-on-failure -j $(JOBS)
	$(call skip-reasons,build)

# The package installed into a throw-away root and run from there.
test-package: package
	packaging/check_package.sh build/sorvane_*.deb build

test-asan:
	$(CONFIGURE) -B build-asan -DCMAKE_BUILD_TYPE=Debug -DSORVANE_SANITIZE=address,undefined -DSORVANE_BUILD_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)
	$(call skip-reasons,build-asan)

# The threaded tests under ThreadSanitizer. The wizard is left out: Qt, not
# built with it, makes it report Qt's own internals.
test-tsan:
	$(CONFIGURE) -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DSORVANE_SANITIZE=thread -DSORVANE_BUILD_BENCH=OFF \
	  -DSORVANE_BUILD_APP=OFF
	cmake --build build-tsan -j $(JOBS)
	ctest --test-dir build-tsan --output-on-failure -j $(JOBS) -L threads
	$(call skip-reasons,build-tsan)

bench: build
	@for b in build/bin/bench_*; do echo "== $$b"; $$b; done

# Short libFuzzer runs under ASan+UBSan (clang), one target after another:
# the session reader, sense data, and the replies a drive sends back. New
# inputs go to build-fuzz/corpus/TARGET; the committed seeds in
# fuzz/corpus/TARGET are only read. FUZZ_TIME=600 for longer runs.
FUZZ_TIME ?= 60
FUZZ_TARGETS := session_reader sense drive_reply
fuzz: deps
	CC=clang CXX=clang++ $(CONFIGURE) -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVANE_BUILD_FUZZ=ON -DSORVANE_BUILD_APP=OFF \
	  -DSORVANE_SANITIZE=address,undefined -DSORVANE_BUILD_TESTS=OFF -DSORVANE_BUILD_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS) --target $(FUZZ_TARGETS:%=%_fuzz)
	set -e; for target in $(FUZZ_TARGETS); do \
	  echo "== $$target"; \
	  mkdir -p build-fuzz/corpus/$$target; \
	  ./build-fuzz/bin/$${target}_fuzz -max_total_time=$(FUZZ_TIME) -max_len=65536 -timeout=10 \
	    -artifact_prefix=build-fuzz/$$target- build-fuzz/corpus/$$target fuzz/corpus/$$target; \
	done

clean:
	rm -rf build build-asan build-tsan build-fuzz
