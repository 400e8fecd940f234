# Front door for users and CI. Everything real lives in CMakeLists.txt.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
# FLTK version for sarvik_gui (1.1 or 1.3); empty: the installed one.
SARVIK_FLTK ?=
export SARVIK_FLTK
SECONDS    ?= 600
CASE_SECONDS ?= 300
MAKEFLAGS  += --no-print-directory

.PHONY: all deps build demo test test-sanitize test-tsan test-valgrind check-equivalence fuzz screenshot bench clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DSARVIK_FLTK=$(SARVIK_FLTK) $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

demo: build
	@scripts/demo.sh $(BUILD)

# The GUI tests run a second time, built against the other FLTK version.
test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@scripts/test-other-fltk.sh $(BUILD) $(JOBS)

test-sanitize: deps
	@cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DSARVIK_SANITIZE=ON >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)
	@cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# The threads under ThreadSanitizer. The GUI stays out: the toolkit's
# library is not instrumented.
test-tsan: deps
	@cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSARVIK_TSAN=ON -DSARVIK_BUILD_GUI=OFF >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS)
	@cd $(TSAN_BUILD) && SARVIK_TSAN=1 TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS) -E fuzz_smoke

test-valgrind: build
	@cd $(BUILD) && SARVIK_VALGRIND=1 ctest --output-on-failure -L e2e

# The production search engine against the reference engine on random
# cases for SECONDS (SEED=N replays a run); a case that takes longer than
# CASE_SECONDS is stopped and written out for sarvik alone.
check-equivalence: build
	@$(BUILD)/tests/check_equivalence --seconds $(SECONDS) --case-seconds $(CASE_SECONDS) $(if $(SEED),--seed $(SEED))

fuzz:
	@scripts/install-deps.sh
	@scripts/fuzz.sh $${FUZZ_SECONDS:-600}

screenshot: build
	@scripts/screenshot.sh $(BUILD)
	@scripts/report_example.sh $(BUILD)

bench: build
	@bench/run.sh $(BUILD)
	@bench/threads.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD)
