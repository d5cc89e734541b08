# `make run` builds and starts ZTR; `make test` builds and runs every test;
# `make package` builds the Debian package build/ztr_VERSION_ARCH.deb.
# `make windows` cross-builds ztr-tool.exe and the core for 64-bit Windows,
# `make windows-32` for 32-bit Windows (build only), and `make windows-test`
# runs their tests under Wine. All install the Debian packages they need
# first (as root or with sudo).
BUILD ?= build
JOBS ?= $(shell nproc)

WINDOWS_BUILD ?= build-windows
WINDOWS_32_BUILD ?= build-windows-32
WINDOWS_OPTIONS = -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZTR_GUI=OFF -DZTR_BENCH=OFF

.PHONY: all deps configure build run test package bench clean windows-deps windows windows-32 windows-test

all: build

deps:
	@tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/src/ztr

# A test that fails gets a second run, and one that fails twice fails the
# run; a test still running after five minutes has hung and fails.
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --timeout 300 --repeat until-pass:2

package: build
	@cmake --build $(BUILD) --target package

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$(basename $$b)"; $$b || exit 1; done

windows-deps:
	@tools/install-deps.sh windows

# The exchange test reads and writes catalogues with the Linux ztr-tool too.
windows: windows-deps configure
	@cmake --build $(BUILD) -j $(JOBS) --target ztr-tool
	@cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  $(WINDOWS_OPTIONS) -DZTR_LINUX_TOOL=$(CURDIR)/$(BUILD)/src/ztr-tool >/dev/null
	@cmake --build $(WINDOWS_BUILD) -j $(JOBS)

windows-32: windows-deps
	@cmake -S . -B $(WINDOWS_32_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
	  $(WINDOWS_OPTIONS) -DZTR_TESTS=OFF >/dev/null
	@cmake --build $(WINDOWS_32_BUILD) -j $(JOBS)

windows-test: windows
	ctest --test-dir $(WINDOWS_BUILD) --output-on-failure -j $(JOBS) --timeout 300

clean:
	rm -rf $(BUILD) $(WINDOWS_BUILD) $(WINDOWS_32_BUILD)
