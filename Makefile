# Developer entry points. PRESET picks the CMake preset: dev (default), ci or asan.
PRESET ?= dev

.PHONY: deps configure build test run bench clean

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

test: build
	ctest --preset $(PRESET)

# Until the Watchpost application lands, the runnable program is the detector benchmark.
run: build
	./build/$(PRESET)/bench/detector_bench --benchmark_min_time=0.05

bench:
	$(MAKE) build PRESET=ci
	./build/ci/bench/detector_bench

clean:
	rm -rf build
