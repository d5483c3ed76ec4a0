# Developer entry points. PRESET picks the CMake preset: dev (default), ci or asan.
PRESET ?= dev

FUZZ_SECONDS ?= 30

.PHONY: deps configure build test run bench fuzz format check-format clean

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

test: build
	ctest --preset $(PRESET)

# Watchpost on the first camera, or on the test pattern where there is none.
run: build
	./build/$(PRESET)/capture/main/watchpost

bench:
	$(MAKE) build PRESET=ci
	./build/ci/bench/detector_bench
	./build/ci/bench/capture_bench
	QT_QPA_PLATFORM=offscreen ./build/ci/bench/app_bench
	QT_QPA_PLATFORM=offscreen ./build/ci/bench/viewer_bench

# Every libFuzzer target; NAME_fuzz starts from tests/fuzz/corpus/NAME when there is one, and
# what it finds goes to build/fuzz/corpus/NAME, never into the sources.
FUZZERS = video_format_fuzz event_log_fuzz avi_reader_fuzz reasons_fuzz

# libFuzzer needs clang; the fuzz build has a tree of its own.
fuzz: deps
	CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCORVANE_FUZZ=ON -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF
	cmake --build build/fuzz --target $(FUZZERS)
	set -e; for f in $(FUZZERS); do \
	  name=$${f%_fuzz}; mkdir -p build/fuzz/corpus/$$name; \
	  seeds=; [ -d tests/fuzz/corpus/$$name ] && seeds=tests/fuzz/corpus/$$name; \
	  ./build/fuzz/tests/fuzz/$$f -max_total_time=$(FUZZ_SECONDS) build/fuzz/corpus/$$name $$seeds; \
	done

# Lays every C++ file out as .clang-format says; check-format (run by CI) names those that are not.
format: deps
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i

check-format: deps
	bash scripts/check-format.sh

clean:
	rm -rf build
