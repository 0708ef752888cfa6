# The two commands a newcomer needs: `make run` and `make test`; `make package` for releases.
BUILD_DIR ?= build
WINDOWS_BUILD_DIR ?= build-windows
JOBS ?= $(shell nproc)

.PHONY: deps deps-windows configure build windows windows-package run test test-linux test-windows \
        package clean

deps:
	./scripts/install-deps

deps-windows:
	./scripts/install-deps --windows

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The Windows programs, cross-built with MinGW-w64; the first run also builds their libraries.
windows: deps-windows
	cmake -S . -B $(WINDOWS_BUILD_DIR) -G Ninja --toolchain cmake/MinGW.cmake
	cmake --build $(WINDOWS_BUILD_DIR) -j $(JOBS)

# Skyrelle.exe and the tools in one zip: build-windows/Skyrelle-<version>-windows-x86_64.zip.
windows-package: windows
	cmake --build $(WINDOWS_BUILD_DIR) --target windows_package

# Only what the run script starts: the program and the store tool that seeds its settings.
run: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target Skyrelle skyrelle-reg
	./scripts/run-skyrelle $(BUILD_DIR)

test: test-linux test-windows

test-linux: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Under Wine, in the build's own prefix. Now and then Wine ends a test program at once, before it
# has written anything (a few starts in a thousand, only with tests running side by side): a
# failed test gets one more run, and one that fails twice fails the run.
test-windows: windows
	cd $(WINDOWS_BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --repeat until-pass:2

package: build
	cd $(BUILD_DIR) && cpack -G DEB && cmake --build . --target portable

clean:
	rm -rf $(BUILD_DIR) $(WINDOWS_BUILD_DIR)
