# The two commands of the README, wrapped around CMake.
#   make run    installs what is missing, builds (Release) and runs the demo
#   make test   installs what is missing, builds, runs every test, then the
#               unit tests again under AddressSanitizer + UBSan
#   make bench  builds and runs the benchmarks
#   make package  builds and makes the release archives in build/packages

# The folders of the release and asan presets (CMakePresets.json).
BUILD      := build
ASAN_BUILD := build-asan
JOBS       ?= $(shell nproc)

.PHONY: all setup build build-asan run test test-asan bench package format clean

all: build

setup:
	@tools/setup.sh

$(BUILD)/build.ninja:
	cmake --preset release

$(ASAN_BUILD)/build.ninja:
	cmake --preset asan

build: setup $(BUILD)/build.ninja
	cmake --build --preset release -j $(JOBS)

build-asan: setup $(ASAN_BUILD)/build.ninja
	cmake --build --preset asan -j $(JOBS)

# Only what the demo needs; `make test` builds everything.
run: setup $(BUILD)/build.ninja
	@tools/run-demo.sh $(BUILD) $(JOBS)

test: build build-asan
	ctest --preset release -j $(JOBS)
	$(MAKE) --no-print-directory test-asan

# The sanitizers' settings and the labels left out are in the asan test preset.
test-asan:
	ctest --preset asan -j $(JOBS)

bench: build
	@tools/run-bench.sh $(BUILD)

# The Linux tar.gz from this build, the Win32 zip from its cross build.
package: build
	cd $(BUILD) && cpack --config CPackConfig.cmake
	if [ -f $(BUILD)/win32/CPackConfig.cmake ]; then cd $(BUILD) && cpack --config win32/CPackConfig.cmake; fi
	@ls -l $(BUILD)/packages/*.tar.gz $(BUILD)/packages/*.zip 2>/dev/null || true

format:
	git ls-files -- '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)

# The README's two pictures, made by the headless capture tool: the scene, and
# the light's view while Control is held.
.PHONY: docs
docs: build
	mkdir -p docs
	cd $(BUILD)/bin && ./shadow_capture --size 640x480 --ticks 760 --out $(CURDIR)/docs/scene.png
	cd $(BUILD)/bin && ./shadow_capture --size 640x480 --ticks 760 --hold control \
	    --out $(CURDIR)/docs/light-view.png
