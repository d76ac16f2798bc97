# Entry points: `make test` on a fresh Debian 12 machine installs what is missing, builds
# and runs the suite.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: setup test test-sanitize test-tsan bench example clean

setup:
	@bash scripts/setup.sh

build/CMakeCache.txt: | setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

test: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)
	cd build && ctest --output-on-failure -j $(JOBS)

test-sanitize: setup
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DHYX_SANITIZE=address -DHYX_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

test-tsan: setup
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DHYX_SANITIZE=thread -DHYX_BUILD_BENCH=OFF -DHYX_BUILD_EXAMPLES=OFF $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --output-on-failure -j $(JOBS) -R "(Concurren|Thread)"

bench: setup
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DHYX_BUILD_TESTS=OFF -DHYX_BUILD_EXAMPLES=OFF $(CMAKE_FLAGS)
	cmake --build build-bench -j $(JOBS) --target hyx_bench
	./build-bench/bench/hyx_bench

example: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target hyx_example
	cd build/examples && ./hyx_example

clean:
	rm -rf build build-asan build-tsan build-bench build-fuzz
