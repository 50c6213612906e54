# Front door of the project: `make run` builds the program and the device's
# tools and starts the program, `make test` builds and runs every test; each
# installs what it needs first (as root): `make run` and `make` what building
# and running need, `make test` and `make bench` what the tests add.
#
# On a built tree these cost next to nothing: the package lists are checked by
# make itself (scripts/deps.sh runs only when a package's file is missing), the
# tree is configured only when it has never been, when CE_WERROR changes or
# when a goal needs the tests it does not have yet (the build reconfigures by
# itself when a CMake file changes), and the build tool finds nothing to do.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
.SHELLFLAGS := -o pipefail -c

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build run test test-sanitize bench deps clean

all: build

# --- packages -----------------------------------------------------------------

# What building and running need, and what only the tests and benchmarks add.
run_packages := scripts/packages
test_packages := scripts/packages scripts/packages-test

# The "package:file" lines of the lists $(1) whose file is missing.
missing_packages = $(strip $(foreach entry,$(foreach list,$(1),$(file <$(list))), \
    $(if $(findstring :/,$(entry)),$(if $(wildcard $(lastword $(subst :, ,$(entry)))),,$(entry)))))
# A recipe line that installs what the lists $(1) lack (as root) or prints the
# command that does; nothing at all when nothing is missing.
install_packages = $(if $(call missing_packages,$(1)),@scripts/deps.sh $(1))

# The goals that build or run the tests set tests_needed (see below); deps
# then installs their packages as well.
deps:
	$(call install_packages,$(if $(tests_needed),$(test_packages),$(run_packages)))

# As root in a checkout that belongs to someone else, make installs the
# packages but builds nothing: every file root made in the tree would be one
# its owner could no longer change.
checkout_owner := $(shell stat -c %U . 2>/dev/null)
ifeq ($(shell id -u),0)
ifneq ($(filter-out root,$(checkout_owner)),)
refuse_foreign_checkout = @echo "make: this checkout belongs to $(checkout_owner): root has installed the packages," \
    "and $(checkout_owner) builds it; as $(checkout_owner), run: make$(if $(MAKECMDGOALS), $(MAKECMDGOALS))" >&2; exit 1
endif
endif

# One line, before the build tool fails on it, when tree $(1) cannot be written.
writable_tree = @if [ -d $(1) ]; then \
    unwritable=$$(find $(1) -maxdepth 1 ! -writable -print -quit); \
    if [ -n "$$unwritable" ]; then \
        echo "make: $$unwritable is not writable by $$(id -un) (it belongs to $$(stat -c %U "$$unwritable"));" \
            "remove $(1) as its owner, or as root (rm -rf $(1)), and make again" >&2; exit 1; \
    fi; fi

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

# The tests are configured in a tree once a goal needs them (CE_TESTS): a new
# tree made by `make` or `make run` has none, so it needs none of their packages.
tests_option = $(if $(tests_needed),-DCE_TESTS=ON,$(if $(call unconfigured,$(BUILD_DIR)),-DCE_TESTS=OFF))
werror_option = $(if $(or $(werror_wanted),$(call unconfigured,$(BUILD_DIR))),-DCE_WERROR=$(or $(werror_wanted),OFF))
build_needs_configure = $(or $(call unconfigured,$(BUILD_DIR)), \
    $(if $(werror_wanted),$(if $(filter $(werror_wanted),$(call cached,$(BUILD_DIR),CE_WERROR:BOOL)),,changed)), \
    $(if $(tests_needed),$(if $(filter ON,$(call on_off,$(call cached,$(BUILD_DIR),CE_TESTS:BOOL))),,tests)))
sanitize_needs_configure := $(call unconfigured,$(SANITIZE_DIR))

# --- building -------------------------------------------------------------------

# The build tool's reports that it had nothing to do are left out.
quiet_when_idle := grep --line-buffered -v -E \
    '^(ninja: no work to do\.|\[0/[0-9]+\] Re-checking globbed directories\.\.\.|\[ *[0-9]+%\] Built target .*)$$' || true

build: deps
	$(refuse_foreign_checkout)
	$(call writable_tree,$(BUILD_DIR))
	$(if $(build_needs_configure),$(call configure,$(BUILD_DIR),$(werror_option) $(tests_option)))
	@cmake --build $(BUILD_DIR) -j $(JOBS) | { $(quiet_when_idle); }

# Only the program and the device's tools, so the dialog comes up as soon as it can.
run: deps
	$(refuse_foreign_checkout)
	$(call writable_tree,$(BUILD_DIR))
	$(if $(build_needs_configure),$(call configure,$(BUILD_DIR),$(werror_option) $(tests_option)))
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target velquin ce-reg ce-tz | { $(quiet_when_idle); }
	@$(BUILD_DIR)/bin/velquin

# ctest, then the reasons of any skipped tests, which its summary leaves out.
run_tests = status=0; ctest --test-dir $(1) --output-on-failure -j $(JOBS) || status=$$?; \
	    scripts/skipped-tests.sh $(1); exit $$status

# These need the tests built, and their packages.
test test-sanitize bench: tests_needed := yes

test: build
	@$(call run_tests,$(BUILD_DIR))

# The sanitizer tree compiles each file on its own: that also proves every file
# includes what it uses, which the default tree, compiling several files as one
# unit, would not notice.
test-sanitize: deps
	$(refuse_foreign_checkout)
	$(call writable_tree,$(SANITIZE_DIR))
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
win32_packages := scripts/packages-win32
win32_needs_configure := $(or $(call unconfigured,$(WIN32_DIR)), \
    $(if $(werror_wanted),$(if $(filter $(werror_wanted),$(call cached,$(WIN32_DIR),CE_WERROR:BOOL)),,changed)))

.PHONY: deps-win32 win32 test-win32 clean-win32

deps-win32:
	$(call install_packages,$(win32_packages))

win32: deps deps-win32
	$(refuse_foreign_checkout)
	$(call writable_tree,$(WIN32_DIR))
	$(if $(win32_needs_configure),$(call configure,$(WIN32_DIR),-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release -DCE_WERROR=$(or $(werror_wanted),OFF) -DCE_DEVICE_BUILD_DIR=$(abspath $(BUILD_DIR))))
	@cmake --build $(WIN32_DIR) -j $(JOBS) | { $(quiet_when_idle); }

# Under Wine, in a session of its own (display, prefix, HOME); the scenarios
# also run on the emulated device, whose tree is built first.
test-win32: tests_needed := yes
test-win32: win32 build
	@tests/win32/wine_session.sh $(abspath $(WIN32_DIR))/wine-session \
	    ctest --test-dir $(WIN32_DIR) --output-on-failure -j $(JOBS)

clean-win32:
	rm -rf $(WIN32_DIR) $(WIN32_DIR).configure.log

clean: clean-win32

# build-without-terminal is CI's tree without the terminal front end (.ci/without-terminal).
clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(BUILD_DIR).configure.log $(SANITIZE_DIR).configure.log build-without-terminal
