# Front door of the project: `make run` builds and starts the program, `make test`
# builds and runs every test; both install what is missing first (as root).
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
CE_WERROR ?= OFF
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build run test test-sanitize bench deps clean

all: build

deps:
	@scripts/deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCE_WERROR=$(CE_WERROR) > $(BUILD_DIR).configure.log 2>&1 \
	    || { cat $(BUILD_DIR).configure.log >&2; exit 1; }
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@test -x $(BUILD_DIR)/bin/velquin || { echo "velquin is not built yet: the program does not exist in this tree." >&2; exit 1; }
	@$(BUILD_DIR)/bin/velquin

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DCE_SANITIZE=ON -DCE_WERROR=ON \
	    > $(SANITIZE_DIR).configure.log 2>&1 || { cat $(SANITIZE_DIR).configure.log >&2; exit 1; }
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)

bench: build
	@bench/run.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(BUILD_DIR).configure.log $(SANITIZE_DIR).configure.log
