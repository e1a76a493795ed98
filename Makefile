# The two commands of the README, wrapped around CMake.
#   make run    installs what is missing, builds (Release) and runs the demo
#   make test   installs what is missing, builds, runs every test, then the
#               unit tests again under AddressSanitizer + UBSan
#   make bench  builds and runs the benchmarks
#   make package  builds and makes the release archives in build/packages

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all setup build build-asan run test test-asan bench package format clean

all: build

setup:
	@tools/setup.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DSHADOW_SANITIZE=ON -DSHADOW_BUILD_BENCH=OFF

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: setup $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Only what the demo needs; `make test` builds everything.
run: setup $(BUILD)/build.ninja
	@tools/run-demo.sh $(BUILD) $(JOBS)

test: build build-asan
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-asan

test-asan:
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE 'window|tools'

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
