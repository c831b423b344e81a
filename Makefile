# Two commands: `make test` builds both programs and runs every test;
# `make demo` runs a demonstration patch under Wine. Both install what they need.
SHELL := /bin/bash
JOBS ?= $(shell nproc)

.PHONY: all deps build test demo media fuzz clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B build/i686 -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
	cmake --build build/i686 -j $(JOBS)
	cp build/i686/PATCH.PIF build/PATCH.PIF
	cmake -S . -B build/x64 -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x64.cmake \
	    -DZARIZED_SHIPPING_EXE=$(CURDIR)/build/i686/ZARIZED.EXE >/dev/null
	cmake --build build/x64 -j $(JOBS)

test: build
	ctest --test-dir build/x64 --output-on-failure

demo: build
	scripts/demo.sh

# make media ENGINE=<file> DATA=<file> RELEASE=<1.0|95.0.a> OUT=<folder> [DISK=<bytes>] [IMAGES=1]
media: build
	MEDIA_IMAGES=$(IMAGES) scripts/make-media.sh "$(ENGINE)" "$(DATA)" "$(RELEASE)" "$(OUT)" $(DISK)

# make fuzz [FUZZ_SECONDS=<seconds per target>]: the pure routines under libFuzzer on this host.
fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz.sh build/fuzz

clean:
	rm -rf build
