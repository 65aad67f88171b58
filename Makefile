# Thin wrapper around CMake. Release build in build/, sanitizer build of the unit tests in build-asan/.
JOBS ?= $(shell nproc)

.PHONY: all build run test test-asan bench clean

all: build

build:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)

run: build
	./build/orvo

test: build
	cd build && ctest --output-on-failure -j $(JOBS)
	$(MAKE) test-asan

test-asan:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVO_SANITIZE=ON
	cmake --build build-asan -j $(JOBS) --target orvo_tests
	cd build-asan && ctest --output-on-failure -j $(JOBS) -L unit

bench: build
	bench/run_bench.sh

clean:
	rm -rf build build-asan
