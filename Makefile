# Thin wrapper around CMake. Release build in build/, sanitizer build of the unit tests and the
# engine in build-asan/, libFuzzer targets in build-fuzz/.
JOBS ?= $(shell nproc)

.PHONY: all build run test test-asan fuzz bench clean

all: build

build:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)

run: build
	./build/orvo

test: build
	cd build && ctest --output-on-failure -j $(JOBS)
	$(MAKE) test-asan
	fuzz/run_fuzz.sh 20

test-asan:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVO_SANITIZE=ON
	cmake --build build-asan -j $(JOBS) --target orvo_tests orvo
	cd build-asan && ctest --output-on-failure -j $(JOBS) -L 'unit|sanitizer'

# Each fuzz target for FUZZ_SECONDS seconds (clang with libFuzzer).
FUZZ_SECONDS ?= 600
fuzz:
	fuzz/run_fuzz.sh $(FUZZ_SECONDS)

bench: build
	bench/run_bench.sh

clean:
	rm -rf build build-asan build-fuzz
