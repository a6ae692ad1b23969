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

ifeq ($(shell uname -s),Darwin)
# Skiro.app on the real system, opened through Launch Services so that the application, not the
# terminal, is what asks for Accessibility. What it writes to standard error goes to a file.
run: PRESET = default
run: configure
	@cmake --build --preset default --target SkiroApp
	@open --stderr "$(CURDIR)/build/Skiro.log" build/Skiro.app
	@echo "Skiro.app is open. Its messages go to build/Skiro.log; follow them with"
	@echo "    tail -f build/Skiro.log"
	@echo "and print its log of the last 10 minutes with"
	@echo "    build/Skiro.app/Contents/MacOS/Skiro log"
else
# The application in the foreground, on the simulated system; SIGINT (Ctrl-C) or SIGTERM ends it.
run: PRESET = default
run: configure
	@cmake --build --preset default --target skiro
	@build/skiro
endif

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
