# kz7 — build, run and test.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
JOBS       ?= $(shell nproc)
EXAMPLE    ?= examples/small-office.kz7
RESULTS    ?= $(BUILD)/results.db

.PHONY: all deps build run test release-test asan fuzz fuzz-smoke bench validate format clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/kz7 simulate $(EXAMPLE) --support support --db $(RESULTS) --quiet --html $(BUILD)/report.html

release-test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKZ7_SANITIZE=ON -DKZ7_BENCH=OFF -DKZ7_PYTHON=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# Each reader's libFuzzer harness for FUZZ_SECONDS (skipped without clang).
fuzz: deps
	@JOBS=$(JOBS) bash tests/fuzz/run.sh $(FUZZ_SECONDS) $(FUZZ_BUILD)

fuzz-smoke: deps
	@JOBS=$(JOBS) bash tests/fuzz/run.sh 30 $(FUZZ_BUILD)

test: release-test asan fuzz-smoke

bench: build
	@$(BUILD)/kz7_bench

# Runs the test-cell envelope cases and rewrites validation/results.csv, the
# tables of docs/validation.md and docs/validation.svg.
validate: build
	@/usr/bin/python3 validation/validate.py --kz7 $(BUILD)/kz7

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
