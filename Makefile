# The two commands a newcomer needs: `make run` and `make test`; `make package` for releases.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test package clean

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Only what the run script starts: the program and the store tool that seeds its settings.
run: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target Skyrelle skyrelle-reg
	./scripts/run-skyrelle $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

package: build
	cd $(BUILD_DIR) && cpack -G DEB && cmake --build . --target portable

clean:
	rm -rf $(BUILD_DIR)
