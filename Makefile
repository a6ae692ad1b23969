# A thin wrapper over scripts/setup, CMake presets and CTest.
PRESET ?= default

.PHONY: setup configure build test bench clean

setup:
	@scripts/setup

configure: setup
	@cmake --preset $(PRESET) --log-level=WARNING

build: configure
	@cmake --build --preset $(PRESET)

test: build
	@ctest --preset $(PRESET)

bench: PRESET = default
bench: configure
	@cmake --build --preset default --target benchmarks
	@for b in build/bench/*Bench; do echo "== $$b"; $$b --benchmark_min_time=0.2; done

clean:
	@rm -rf build build-debug build-asan build-tsan
