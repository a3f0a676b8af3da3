# The two commands for a fresh machine: `make demo` and `make test`.
BUILD ?= build
JOBS ?= 2


.PHONY: all deps build demo test clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	sh scripts/demo.sh $(BUILD)/coswitch

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
