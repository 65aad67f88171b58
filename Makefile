# Thin wrapper around CMake. Release build in build/, sanitizer build of the unit tests and the
# engine in build-asan/, ThreadSanitizer build of the thread tests in build-tsan/, libFuzzer
# targets in build-fuzz/.
JOBS ?= $(shell nproc)

.PHONY: all build engine run test test-asan test-tsan test-tsan-units fuzz bench clean

all: build

# The Release build is profile-guided: an instrumented engine (build-train/) first searches the
# benchmark positions, and the compiler then lays the engine out for the branches that searching
# takes. The profile's file names are taken relative to each build directory, so build/ finds
# what build-train/ wrote. The profile is recorded before link-time inlining, so the training
# engine is linked without it, which is quicker. The engine decides exactly as an unguided build
# does; it only runs faster. PGO=0 makes a plain build.
PGO ?= 1
PROFILE_DIR = $(CURDIR)/build-train/profile
ifeq ($(PGO),1)
PGO_FLAGS = -DCMAKE_CXX_FLAGS="-fprofile-use=$(PROFILE_DIR) -fprofile-prefix-path=$(CURDIR)/build \
  -fprofile-partial-training -Wno-missing-profile"
else
PGO_FLAGS = -DCMAKE_CXX_FLAGS=
endif

# The engine alone (with its profile-training step): what "make run" needs.
engine:
ifeq ($(PGO),1)
	cmake -S . -B build-train -DCMAKE_BUILD_TYPE=Release -DORVO_LTO=OFF \
	  -DCMAKE_CXX_FLAGS="-fprofile-generate=$(PROFILE_DIR) -fprofile-prefix-path=$(CURDIR)/build-train \
	  -fprofile-update=single"
	cmake --build build-train -j $(JOBS) --target orvo
	rm -rf $(PROFILE_DIR)
	cd build-train && ./orvo -bench -fd 10 </dev/null >/dev/null
endif
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release $(PGO_FLAGS)
	cmake --build build -j $(JOBS) --target orvo

# Everything: the engine, the unit tests and the benchmark programs.
build: engine
	cmake --build build -j $(JOBS)

run: engine
	./build/orvo

test: build
	cd build && ctest --output-on-failure -j $(JOBS)
	$(MAKE) test-asan
	$(MAKE) test-tsan
	fuzz/run_fuzz.sh 10

test-asan:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVO_SANITIZE=ON
	cmake --build build-asan -j $(JOBS) --target orvo_tests orvo
	cd build-asan && ctest --output-on-failure -j $(JOBS) -L 'unit|sanitizer'

# The engine under ThreadSanitizer: self-play games with two threads searching side by side.
# test-tsan-units adds the unit tests of the helper pool and the shared table.
test-tsan:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVO_TSAN=ON
	cmake --build build-tsan -j $(JOBS) --target orvo
	cd build-tsan && ctest --output-on-failure -j $(JOBS) -L tsan

test-tsan-units:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVO_TSAN=ON
	cmake --build build-tsan -j $(JOBS) --target orvo_tests
	cd build-tsan && ctest --output-on-failure -j $(JOBS) -R '^Threads\.'

# Each fuzz target for FUZZ_SECONDS seconds (clang with libFuzzer).
FUZZ_SECONDS ?= 600
fuzz:
	fuzz/run_fuzz.sh $(FUZZ_SECONDS)

bench: build
	bench/run_bench.sh

clean:
	rm -rf build build-train build-asan build-tsan build-fuzz
