# Thin wrapper around CMake. Profile-guided Release build in build/ (training engine in
# build-train/), plain Release build for the tests in build-test/, sanitizer build of the unit
# tests and the engine in build-asan/, ThreadSanitizer build in build-tsan/, libFuzzer targets in
# build-fuzz/.
JOBS ?= $(shell nproc)

.PHONY: all build engine run test test-release test-asan test-tsan test-tsan-units fuzz bench clean

# "make EXE=NAME", as test frameworks such as OpenBench build an engine, makes the engine alone
# (profile-guided, as below) and copies it to NAME, a path taken from this folder
# (../engines/orvo-dev works too). Without EXE, everything is built.
ifdef EXE
all: engine
	cp -f build/orvo "$(EXE)"
else
all: build
endif

# The Release build is profile-guided: an instrumented engine (build-train/) first searches the
# benchmark positions, and the compiler then lays the engine out for the branches that searching
# takes. The profile's file names are taken relative to each build directory, so build/ finds
# what build-train/ wrote. The profile is recorded before link-time inlining, so the training
# engine is linked without it, which is quicker. The engine decides exactly as an unguided build
# does; it only runs faster. PGO=0 makes a plain build.
#
# The training runs again only when the instrumented engine had to be rebuilt (a source, a
# header, the file list or the flags changed), so a second "make run" starts the engine at once
# and the profile always comes from the sources being compiled. Should a file still change
# between the training and the guided build, GCC warns that the profile of the functions
# concerned does not match and compiles them unguided instead of stopping the build; the next
# "make" trains again.
PGO ?= 1
PROFILE_DIR = $(CURDIR)/build-train/profile
TRAINED = build-train/trained.stamp
ifeq ($(PGO),1)
PGO_FLAGS = -DCMAKE_CXX_FLAGS="-fprofile-use=$(PROFILE_DIR) -fprofile-prefix-path=$(CURDIR)/build \
  -fprofile-partial-training -Wno-missing-profile -Wno-error=coverage-mismatch"
else
PGO_FLAGS = -DCMAKE_CXX_FLAGS=
endif

# The engine alone (with its profile-training step when needed): what "make run" needs.
engine:
ifeq ($(PGO),1)
	cmake -S . -B build-train -DCMAKE_BUILD_TYPE=Release -DORVO_LTO=OFF \
	  -DCMAKE_CXX_FLAGS="-fprofile-generate=$(PROFILE_DIR) -fprofile-prefix-path=$(CURDIR)/build-train \
	  -fprofile-update=single"
	cmake --build build-train -j $(JOBS) --target orvo
	@if [ ! -f $(TRAINED) ] || [ build-train/orvo -nt $(TRAINED) ]; then \
	  rm -rf $(PROFILE_DIR) $(TRAINED) && \
	  echo "Training the profile-guided build" && \
	  (cd build-train && ./orvo -bench -fd 10 </dev/null >/dev/null) && \
	  touch $(TRAINED); \
	fi
endif
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release $(PGO_FLAGS)
	cmake --build build -j $(JOBS) --target orvo

# Everything: the engine, the unit tests and the benchmark programs.
build: engine
	cmake --build build -j $(JOBS)

run: engine
	./build/orvo

# The tests run against a plain Release build of their own (no profile training, no link-time
# optimisation: it compiles in about half the time and searches the same nodes), then under the
# sanitizers, then the fuzz targets. Each configuration is built once.
test:
	$(MAKE) test-release
	$(MAKE) test-asan
	$(MAKE) test-tsan
	fuzz/run_fuzz.sh 10

test-release:
	cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Release -DORVO_LTO=OFF -DCMAKE_CXX_FLAGS= \
	  -DORVO_REQUIRE_GTEST=ON
	cmake --build build-test -j $(JOBS)
	cd build-test && ctest --output-on-failure -j $(JOBS)

test-asan:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVO_SANITIZE=ON \
	  -DORVO_REQUIRE_GTEST=ON
	cmake --build build-asan -j $(JOBS) --target orvo_tests orvo
	cd build-asan && ctest --output-on-failure -j $(JOBS) -L 'unit|sanitizer'

# The engine under ThreadSanitizer: self-play games with two threads searching side by side.
# test-tsan-units adds the unit tests of the helper pool and the shared table.
test-tsan:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVO_TSAN=ON
	cmake --build build-tsan -j $(JOBS) --target orvo
	cd build-tsan && ctest --output-on-failure -j $(JOBS) -L tsan

test-tsan-units:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVO_TSAN=ON -DORVO_REQUIRE_GTEST=ON
	cmake --build build-tsan -j $(JOBS) --target orvo_tests
	cd build-tsan && ctest --output-on-failure -j $(JOBS) -R '^Threads\.'

# Each fuzz target for FUZZ_SECONDS seconds (clang with libFuzzer).
FUZZ_SECONDS ?= 600
fuzz:
	fuzz/run_fuzz.sh $(FUZZ_SECONDS)

bench: build
	bench/run_bench.sh

clean:
	rm -rf build build-train build-test build-asan build-tsan build-fuzz
