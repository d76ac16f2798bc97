# Entry points: `make test` on a fresh Debian 12 machine installs what is missing, builds
# and runs the suite.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Sanitizer and fuzz builds keep line tables only: enough for their reports, a shorter build.
LINE_TABLES = -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1

.PHONY: format-check setup test test-sanitize test-tsan coverage bench example install fuzz clean

setup:
	@bash scripts/setup.sh

build/CMakeCache.txt: | setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

test: setup
	bash scripts/check-layers.sh
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target hyx_tests
	cd build && ctest --output-on-failure -j $(JOBS)

test-sanitize: setup
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug $(LINE_TABLES) -DHYX_SANITIZE=address -DHYX_BUILD_BENCH=OFF -DHYX_BUILD_EXAMPLES=OFF $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS) --target hyx_tests
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

test-tsan: setup
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug $(LINE_TABLES) -DHYX_SANITIZE=thread -DHYX_BUILD_BENCH=OFF -DHYX_BUILD_EXAMPLES=OFF $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS) --target hyx_threaded_tests
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --output-on-failure -j $(JOBS) -R "(Concurren|Thread)"

# Line coverage of the libraries (src/ and vorncommon/) by the plain suite; an unoptimised
# build so every line maps to code; atomic counters, since the threaded tests would otherwise
# race on them. Counters start from zero on each run.
coverage: setup
	cmake -S . -B build-coverage -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS='--coverage -fprofile-update=atomic' -DCMAKE_C_FLAGS='--coverage -fprofile-update=atomic' -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage -DCMAKE_MODULE_LINKER_FLAGS=--coverage -DHYX_BUILD_BENCH=OFF -DHYX_BUILD_EXAMPLES=OFF $(CMAKE_FLAGS)
	cmake --build build-coverage -j $(JOBS)
	find build-coverage -name '*.gcda' -delete
	rm -f build-coverage/CMakeFiles/*/CompilerId*/*.gcno # CMake's compiler probe, never run
	cd build-coverage && ctest --output-on-failure -j $(JOBS)
	gcovr -r . --object-directory build-coverage -j $(JOBS) --filter 'src/' --filter 'vorncommon/' --print-summary -o build-coverage/coverage.txt
	@tail -n 4 build-coverage/coverage.txt

bench: setup
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DHYX_BUILD_TESTS=OFF -DHYX_BUILD_EXAMPLES=OFF $(CMAKE_FLAGS)
	cmake --build build-bench -j $(JOBS) --target hyx_bench
	./build-bench/bench/hyx_bench

# The library alone, without tests, benchmarks or the example host, installed under PREFIX
# (headers, libraries, the CMake package and the pkg-config file).
PREFIX ?= /usr/local
install: setup
	cmake -S . -B build-lib -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHYX_BUILD_TESTS=OFF -DHYX_BUILD_BENCH=OFF -DHYX_BUILD_EXAMPLES=OFF $(CMAKE_FLAGS)
	cmake --build build-lib -j $(JOBS)
	cmake --install build-lib --prefix $(PREFIX)

example: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target hyx_example
	cd build/examples && ./hyx_example

# Fuzzes the atom stream readers, the container reader, the codec decoders and the texture
# file loaders with libFuzzer for FUZZ_SECONDS each, starting from seeds written by the
# writers; any crash, leak, timeout or sanitizer finding fails (inputs in
# build-fuzz/fuzz-artifacts).
FUZZ_SECONDS ?= 60
FUZZ_FLAGS = -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1
# One libFuzzer run: $(1) the binary, $(2) its seed writer, $(3) the name of its seed, corpus
# and artifact files, $(4) folders of kept findings.
define fuzz_run
	rm -rf build-fuzz/$(3)-seeds
	mkdir -p build-fuzz/$(3)-corpus build-fuzz/fuzz-artifacts
	./build-fuzz/tests/fuzz/$(2) build-fuzz/$(3)-seeds
	./build-fuzz/tests/fuzz/$(1) $(FUZZ_FLAGS) -artifact_prefix=build-fuzz/fuzz-artifacts/$(3)- \
		build-fuzz/$(3)-corpus build-fuzz/$(3)-seeds $(4)
endef

fuzz: setup
	cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only -DNDEBUG" -DHYX_SANITIZE=fuzzer -DHYX_WERROR=OFF -DHYX_BUILD_BENCH=OFF -DHYX_BUILD_EXAMPLES=OFF $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS) --target fuzz_atom_stream hyx_fuzz_seeds fuzz_container hyx_fuzz_container_seeds \
		fuzz_codecs hyx_fuzz_codec_seeds fuzz_texture_files hyx_fuzz_texture_file_seeds
	$(call fuzz_run,fuzz_atom_stream,hyx_fuzz_seeds,atom-stream,tests/data/fuzz/atom-stream)
	$(call fuzz_run,fuzz_container,hyx_fuzz_container_seeds,container)
	$(call fuzz_run,fuzz_codecs,hyx_fuzz_codec_seeds,codecs)
	$(call fuzz_run,fuzz_texture_files,hyx_fuzz_texture_file_seeds,texture-files)

clean:
	rm -rf build build-lib build-asan build-tsan build-bench build-fuzz build-coverage

# Fails when a C++ file differs from .clang-format (clang-format-14, dry run).
format-check:
	clang-format-14 --dry-run --Werror $$(git ls-files '*.cpp' '*.h')
