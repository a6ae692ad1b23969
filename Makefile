# A thin wrapper over scripts/setup, CMake presets and CTest.
PRESET ?= default

.PHONY: setup configure build test bench fuzz run clean mac-check

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

# The application in the foreground, on the simulated system; SIGINT (Ctrl-C) or SIGTERM ends it.
run: PRESET = default
run: configure
	@cmake --build --preset default --target skiro
	@build/skiro

# FUZZ_SECONDS (default 60) per target; FUZZ_ONLY=<Name>Fuzz runs one.
fuzz: setup
	@cmake --preset fuzz --log-level=WARNING
	@cmake --build --preset fuzz
	@scripts/fuzz

# Compiles every file of a macOS build (product, tools, tests) with clang against a macOS SDK,
# Qt's headers from QT_INCLUDE; without MACOS_SDK it says so and skips. See DEVELOPERS.md.
mac-check:
	@MACOS_SDK="$(MACOS_SDK)" QT_INCLUDE="$(QT_INCLUDE)" scripts/mac-check

clean:
	@rm -rf build build-debug build-asan build-tsan build-fuzz fuzz/corpus-work
