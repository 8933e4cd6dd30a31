# Quick start on Debian 12:  make run  |  make test
BUILD_DIR      ?= build
ASAN_DIR       ?= build-asan
FUZZ_DIR       ?= build-fuzz
FUZZ_SECONDS   ?= 60
JOBS           ?= $(shell nproc)
CMAKE_FLAGS    ?=
# ccache, when present, shares compiled objects between build folders and work trees.
ifneq ($(shell command -v ccache 2>/dev/null),)
  CMAKE_FLAGS += -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR := $(CURDIR)
  export CCACHE_NOHASHDIR := 1
endif

.PHONY: all deps configure build run test package package-check asan-test fuzz-build fuzz bench format format-check screenshots fixtures clean

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@./scripts/run.sh $(BUILD_DIR)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The Debian package, from the build above, into the checkout: temsetrix_VERSION_ARCH.deb.
package: build
	@rm -rf $(BUILD_DIR)/package ./temsetrix_*.deb
	@cd $(BUILD_DIR) && cpack -G DEB -B package
	@mv $(BUILD_DIR)/package/temsetrix_*.deb .
	@ls temsetrix_*.deb

# lintian, desktop-file-validate, appstreamcli and the file types on that package.
package-check: package
	@./scripts/check-package.sh

# Core and engine tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan-test: deps
	@cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTEMSETRIX_CORE_ONLY=ON \
		-DTEMSETRIX_SANITIZE=address,undefined >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	@cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS)

fuzz-build: deps
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEMSETRIX_FUZZ=ON \
		-DCMAKE_CXX_COMPILER=clang++ -DTEMSETRIX_SANITIZE=address,undefined \
		-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS)

# Runs every harness for FUZZ_SECONDS seconds each, starting from its seed corpus.
fuzz: fuzz-build
	@./scripts/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do echo "== $$b"; $$b; done

format:
	@find src tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

# Lists the files that differ from .clang-format; changes nothing.
format-check:
	@./scripts/format-check.sh

# One PNG per window on the demonstration configuration, drawn offscreen, into docs/screenshots/.
screenshots: build
	@QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/src/gui/temsetrix-screenshots docs/screenshots

# The generated test fixtures and the shipped demonstration configuration written again from their
# sources (the two generator scripts, then the program's own writers); review them with git diff.
fixtures: build
	@cd tests/data/gex && python3 make_fixtures.py
	@cd tests/data/systest && python3 make_fixtures.py
	@cmake --build $(BUILD_DIR) --target fixtures

clean:
	@rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) ./temsetrix_*.deb
