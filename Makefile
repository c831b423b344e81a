# Two commands: `make test` builds the program and runs every test;
# `make demo` runs a demonstration patch under Wine. Both install what they need.
# The tests, the demo and the media builder run the shipping i686 program in a
# 32-bit Wine prefix, inside the private namespace of scripts/bench32.sh.
SHELL := /bin/bash
JOBS ?= $(shell nproc)

.PHONY: all deps build build-x64 test demo media bench fuzz stop-sweep clean

all: build

deps:
	@scripts/install-deps.sh

# A build folder is configured once, when it is new; after that the build
# itself configures again whenever a CMake file changes.
build: deps
	[ -f build/i686/CMakeCache.txt ] || \
		cmake -S . -B build/i686 -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
	cmake --build build/i686 -j $(JOBS)
	cp build/i686/PATCH.PIF build/PATCH.PIF

# The x86_64 twin, for the staging benchmark only: timings under qemu's
# emulated i386 would mislead.
build-x64: deps
	[ -f build/x64/CMakeCache.txt ] || \
		cmake -S . -B build/x64 -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x64.cmake >/dev/null
	cmake --build build/x64 -j $(JOBS)

test: build
	scripts/bench32.sh ctest --test-dir build/i686 --output-on-failure -j $(JOBS)

demo: build
	scripts/demo.sh

# make media ENGINE=<file> DATA=<file> RELEASE=<1.0|95.0.a> OUT=<folder> [DISK=<bytes>] [IMAGES=1] [DOWNLOAD=1]
media: build
	MEDIA_IMAGES=$(IMAGES) MEDIA_DOWNLOAD=$(DOWNLOAD) scripts/make-media.sh "$(ENGINE)" "$(DATA)" "$(RELEASE)" "$(OUT)" $(DISK)

# make bench [MIB=<size>]: the staging benchmark on the x86_64 twin (see bench/README.md).
bench: build-x64
	bench/staging_bench.sh build/x64 "" $(MIB)

# make stop-sweep: every change of a patch run, the run stopped before it and
# run again (scripts/stop-sweep.sh; make test tries a spread of them).
stop-sweep: build
	scripts/stop-sweep.sh all

# make fuzz [FUZZ_SECONDS=<seconds per target>]: the pure routines under libFuzzer on this host.
fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz.sh build/fuzz

clean:
	rm -rf build
