# Front door of the project: `make run` builds and starts the program, `make test`
# builds and runs every test; both install what is missing first (as root).
#
# On a built tree these cost next to nothing: the package list is checked by
# make itself (scripts/deps.sh runs only when a package's file is missing), the
# tree is configured only when it has never been or when CE_WERROR changes (the
# build reconfigures by itself when a CMake file changes), and the build tool
# finds nothing to do.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
.SHELLFLAGS := -o pipefail -c

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build run test test-sanitize bench deps clean

all: build

# --- packages -----------------------------------------------------------------

# Each "package:file" line whose file is missing; deps.sh installs them (as
# root) or prints the apt-get line.
package_entries := $(foreach word,$(file <scripts/packages),$(if $(findstring :/,$(word)),$(word)))
missing_packages := $(strip $(foreach entry,$(package_entries),$(if $(wildcard $(lastword $(subst :, ,$(entry)))),,$(entry))))

deps:
ifneq ($(missing_packages),)
	@scripts/deps.sh
endif

# --- configuring ----------------------------------------------------------------

# A value of a tree's CMakeCache.txt, or nothing when the tree is not configured.
cached = $(patsubst $(2)=%,%,$(filter $(2)=%,$(if $(wildcard $(1)/CMakeCache.txt),$(file <$(1)/CMakeCache.txt))))
on_off = $(if $(filter 1 on ON On yes YES Yes true TRUE True y Y,$(1)),ON,OFF)

# CE_WERROR=ON or OFF on the command line changes the tree's setting; left out,
# the tree keeps the one it has (OFF in a new tree).
ifdef CE_WERROR
werror_wanted := $(call on_off,$(CE_WERROR))
endif

# Configures tree $(1) with the options $(2) into $(1).configure.log, showing the
# log only when it fails. New trees use Ninja; existing trees keep their generator.
define configure
	@cmake -S . -B $(1) $(if $(wildcard $(1)/CMakeCache.txt),,-G Ninja) $(2) > $(1).configure.log 2>&1 \
	    || { cat $(1).configure.log >&2; exit 1; }
endef

# A tree with no build files yet (new, or its first configuring failed).
unconfigured = $(if $(wildcard $(1)/build.ninja $(1)/Makefile),,new)

build_needs_configure := $(or $(call unconfigured,$(BUILD_DIR)), \
    $(if $(werror_wanted),$(if $(filter $(werror_wanted),$(call cached,$(BUILD_DIR),CE_WERROR:BOOL)),,changed)))
sanitize_needs_configure := $(call unconfigured,$(SANITIZE_DIR))

# --- building -------------------------------------------------------------------

# The build tool's reports that it had nothing to do are left out.
quiet_when_idle := grep --line-buffered -v -E \
    '^(ninja: no work to do\.|\[0/[0-9]+\] Re-checking globbed directories\.\.\.|\[ *[0-9]+%\] Built target .*)$$' || true

build: deps
	$(if $(build_needs_configure),$(call configure,$(BUILD_DIR),-DCE_WERROR=$(or $(werror_wanted),OFF)))
	@cmake --build $(BUILD_DIR) -j $(JOBS) | { $(quiet_when_idle); }

# Only the program and what it needs, so the dialog comes up as soon as it can.
run: deps
	$(if $(build_needs_configure),$(call configure,$(BUILD_DIR),-DCE_WERROR=$(or $(werror_wanted),OFF)))
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target velquin | { $(quiet_when_idle); }
	@$(BUILD_DIR)/bin/velquin

# ctest, then the reasons of any skipped tests, which its summary leaves out.
run_tests = status=0; ctest --test-dir $(1) --output-on-failure -j $(JOBS) || status=$$?; \
	    scripts/skipped-tests.sh $(1); exit $$status

test: build
	@$(call run_tests,$(BUILD_DIR))

# The sanitizer tree compiles each file on its own: that also proves every file
# includes what it uses, which the default tree, compiling several files as one
# unit, would not notice.
test-sanitize: deps
	$(if $(sanitize_needs_configure),$(call configure,$(SANITIZE_DIR),-DCMAKE_BUILD_TYPE=Debug -DCE_SANITIZE=ON -DCE_WERROR=ON -DCMAKE_UNITY_BUILD=OFF))
	@cmake --build $(SANITIZE_DIR) -j $(JOBS) | { $(quiet_when_idle); }
	@export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1; \
	    $(call run_tests,$(SANITIZE_DIR))

bench: build
	@bench/run.sh $(BUILD_DIR)

# --- the desktop target ----------------------------------------------------------

# Velquin.exe built by mingw-w64 (make win32) and tested under Wine (make
# test-win32), in a tree of its own. Their packages are listed apart, in
# scripts/packages-win32, and only these targets check them.
WIN32_DIR ?= build-win32
win32_package_entries := $(foreach word,$(file <scripts/packages-win32),$(if $(findstring :/,$(word)),$(word)))
win32_missing_packages := $(strip $(foreach entry,$(win32_package_entries),$(if $(wildcard $(lastword $(subst :, ,$(entry)))),,$(entry))))
win32_needs_configure := $(or $(call unconfigured,$(WIN32_DIR)), \
    $(if $(werror_wanted),$(if $(filter $(werror_wanted),$(call cached,$(WIN32_DIR),CE_WERROR:BOOL)),,changed)))

.PHONY: deps-win32 win32 test-win32 clean-win32

deps-win32:
ifneq ($(win32_missing_packages),)
	@scripts/deps.sh scripts/packages-win32
endif

win32: deps deps-win32
	$(if $(win32_needs_configure),$(call configure,$(WIN32_DIR),-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release -DCE_WERROR=$(or $(werror_wanted),OFF) -DCE_DEVICE_BUILD_DIR=$(abspath $(BUILD_DIR))))
	@cmake --build $(WIN32_DIR) -j $(JOBS) | { $(quiet_when_idle); }

# Under Wine, in a session of its own (display, prefix, HOME); the scenarios
# also run on the emulated device, whose tree is built first.
test-win32: win32 build
	@tests/win32/wine_session.sh $(abspath $(WIN32_DIR))/wine-session \
	    ctest --test-dir $(WIN32_DIR) --output-on-failure -j $(JOBS)

clean-win32:
	rm -rf $(WIN32_DIR) $(WIN32_DIR).configure.log

clean: clean-win32

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(BUILD_DIR).configure.log $(SANITIZE_DIR).configure.log
