# Thin wrapper around CMake. Release build in build/, sanitizer build of the unit tests and the
# engine in build-asan/, libFuzzer targets in build-fuzz/.
JOBS ?= $(shell nproc)

.PHONY: all build run test test-asan fuzz bench pgo clean

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

# A profile-guided Release build in build-pgo/: an instrumented engine searches the benchmark
# positions, and the compiler then lays the code out for the branches that searching takes.
# The engine decides exactly as the plain build does; it only runs faster (build-pgo/orvo).
PGO_DIR = $(CURDIR)/build-pgo
pgo:
	rm -rf $(PGO_DIR)/profile
	cmake -S . -B build-pgo -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_CXX_FLAGS="-fprofile-generate=$(PGO_DIR)/profile -fprofile-update=single"
	cmake --build build-pgo -j $(JOBS) --target orvo
	cd build-pgo && ./orvo -bench -fd 10 </dev/null >/dev/null
	cmake -S . -B build-pgo -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_CXX_FLAGS="-fprofile-use=$(PGO_DIR)/profile -fprofile-partial-training -Wno-missing-profile"
	cmake --build build-pgo -j $(JOBS) --target orvo

clean:
	rm -rf build build-asan build-fuzz build-pgo
