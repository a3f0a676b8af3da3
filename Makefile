# The two commands for a fresh machine: `make demo` and `make test`.
BUILD ?= build
JOBS ?= 2
PREFIX ?= /usr/local

.PHONY: all deps configure program build python demo install test test-clang sanitize tsan fuzz clean r r-check

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

# The program alone.
program: configure
	cmake --build $(BUILD) -j $(JOBS) --target coswitch

# The program, its tests and its benchmarks.
build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The Python package (python/), installed into a venv of Debian's Python at
# $(BUILD)/python-venv: $(BUILD)/python-venv/bin/python -c 'import coswitch'.
python: configure
	cmake --build $(BUILD) -j $(JOBS) --target coswitch_python
	sh scripts/python-venv.sh $(BUILD)

demo: program
	sh scripts/demo.sh $(BUILD)/coswitch

# coswitch into $(PREFIX)/bin, its manual page, bash completion and citation
# under $(PREFIX)/share (e.g. `make install PREFIX=$$HOME/.local`).
install: program
	cmake --install $(BUILD) --prefix $(PREFIX) --component program

# Every test on the release build, then again on a build with address and
# undefined-behaviour checks.
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory sanitize

# The program and its tests built with clang, with the release build's
# flags, and run: the GoogleTest tests and the golden cases (not the Python
# and R packages, which the release build tests).
test-clang: deps
	CC=clang CXX=clang++ cmake -S . -B build-clang -DCMAKE_BUILD_TYPE=Release \
	  -DCOSWITCH_PYTHON=OFF -DCOSWITCH_R=OFF
	cmake --build build-clang -j $(JOBS) --target coswitch coswitch_tests
	ctest --test-dir build-clang --output-on-failure -j $(JOBS)

sanitize: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOSWITCH_SANITIZE=address,undefined
	cmake --build build-asan -j $(JOBS) --target coswitch coswitch_tests
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)

# The threaded pair loop under the thread checker (not part of `make test`).
tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOSWITCH_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS) --target coswitch coswitch_tests
	ctest --test-dir build-tsan --output-on-failure -j $(JOBS) -R 'Threads|Options|PairLoop|Pooled|NullCounter|Scan\.|conformance'

# The readers, the dialogue, summary's table reader, scan's table reader and
# the ways to a design under libFuzzer with address and undefined-behaviour
# checks (clang; not part of `make test`).
# Each target runs FUZZ_SECONDS from the seeds in tests/fuzz/ and what
# earlier runs found (build-fuzz/corpus/).
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = readers dialogue pvalue_table table design
fuzz:
	bash scripts/install-deps.sh fuzz
	CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOSWITCH_FUZZ=ON -DCOSWITCH_SANITIZE=address,undefined
	cmake --build build-fuzz -j $(JOBS) --target $(foreach t,$(FUZZ_TARGETS),fuzz_$(t))
	set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus/$$t build-fuzz/crashes/$$t; \
	  build-fuzz/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=build-fuzz/crashes/$$t/ build-fuzz/corpus/$$t tests/fuzz/$$t; \
	done

# The R package, built from a copy of the library's sources and installed
# into $(BUILD)/r-lib (use it with .libPaths("$(BUILD)/r-lib") or
# R_LIBS=$(BUILD)/r-lib); its source package is $(BUILD)/r-package/coswitch_*.tar.gz.
r: deps
	JOBS=$(JOBS) sh r/build.sh $(BUILD)

# R CMD check of that source package, its tests compared with the program's
# output (several minutes: it compiles the package again).
r-check: r program
	cd $(BUILD)/r-package && MAKEFLAGS=-j$(JOBS) \
	  COSWITCH_PROGRAM=$(abspath $(BUILD))/coswitch COSWITCH_SHARED_DIR=$(abspath ..)/shared \
	  R CMD check --no-manual coswitch_*.tar.gz

clean:
	rm -rf $(BUILD) build-asan build-clang build-tsan build-fuzz python/build python/coswitch.egg-info
