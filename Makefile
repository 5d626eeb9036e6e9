# Quorvane — the two commands a newcomer needs are `make run` and `make test`.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
CI ?=
WERROR := $(if $(filter true 1 yes,$(CI)),ON,OFF)
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local

.PHONY: all deps configure build test run install bench fuzz lint format asan-test tsan-test crash clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset debug -DQUORVANE_WERROR=$(WERROR) > /dev/null

build: configure
	@cmake --build build/debug -j $(JOBS)

test: build
	@cd build/debug && ctest --output-on-failure -j $(JOBS) --timeout 600

run: build
	@./build/debug/src/views/quorvane $(ARGS)

# A release build of the two programs alone, installed under PREFIX (bin/, share/applications,
# share/mime/packages, share/icons/hicolor). The desktop's caches are refreshed where the tools exist.
install: deps
	@cmake --preset install > /dev/null
	@cmake --build build/install -j $(JOBS)
	@cmake --install build/install --prefix "$(PREFIX)"
	@if command -v update-mime-database > /dev/null; then update-mime-database "$(PREFIX)/share/mime"; fi
	@if command -v update-desktop-database > /dev/null; then update-desktop-database "$(PREFIX)/share/applications"; fi

bench: deps
	@cmake --preset release -DQUORVANE_WERROR=OFF > /dev/null
	@cmake --build build/release -j $(JOBS)
	@scripts/run-benchmarks build/release

fuzz: deps
	@cmake --preset fuzz > /dev/null
	@cmake --build build/fuzz -j $(JOBS)
	@scripts/run-fuzzers build/fuzz $(FUZZ_SECONDS)

asan-test: deps
	@cmake --preset asan -DQUORVANE_WERROR=$(WERROR) > /dev/null
	@cmake --build build/asan -j $(JOBS)
	@cd build/asan && ctest --output-on-failure -j $(JOBS) --timeout 900

# The engine's tests under ThreadSanitizer: the worker pool and every walk that uses it.
tsan-test: deps
	@cmake --preset tsan -DQUORVANE_WERROR=$(WERROR) > /dev/null
	@cmake --build build/tsan -j $(JOBS) --target test_engine
	@cd build/tsan && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp $(TSAN_OPTIONS)" ./tests/test_engine

crash: build
	@scripts/run-crash-harness build/debug

lint: configure
	@scripts/lint build/debug

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
