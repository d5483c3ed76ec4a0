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

# Until the Watchpost application lands, the runnable program is the camera preview.
run: build
	./build/$(PRESET)/tools/camera_preview/camera_preview

bench:
	$(MAKE) build PRESET=ci
	./build/ci/bench/detector_bench
	./build/ci/bench/capture_bench

clean:
	rm -rf build
