# The two commands that do everything: `make test` and `make run`.
JOBS ?= 2
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20
RELEASE_BUILD ?= build-release
CMAKE_FLAGS ?=
# Every configuration made here treats warnings as errors; a plain cmake configure does not.
STRICT = -DCMAKE_COMPILE_WARNING_AS_ERROR=ON

.PHONY: all deps build build-asan build-fuzz build-release test test-main test-asan test-fuzz run bench install package clean format

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(STRICT) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUILLO_SANITIZE=ON -DQUILLO_FRONTEND=OFF $(STRICT) >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)

build-fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLO_FUZZ=ON -DQUILLO_FRONTEND=OFF $(STRICT) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzz_targets

# The Release configuration a packager picks: the optimiser warns where the others do
# not, so it is built (engine, quillo, front end and the test programs), not run.
build-release: deps
	@cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release $(STRICT) >/dev/null
	@cmake --build $(RELEASE_BUILD) -j$(JOBS)

# The sanitizer suites and the fuzz runs go first; the plain suites run last so the
# output ends with ctest's summary of every suite.
test: build build-asan build-fuzz build-release
	@echo "== engine suites under AddressSanitizer + UndefinedBehaviorSanitizer"
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j$(JOBS) -L 'engine|rexp32'
	@$(MAKE) --no-print-directory test-fuzz
	@echo "== all suites"
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# Each target first replays the inputs that once broke it (tests/fuzz/crashers/<target>/),
# then fuzzes for a bounded time from its kept corpus and the shared seeds.
test-fuzz:
	@for f in $(FUZZ_BUILD)/fuzz/*_fuzz; do \
	  [ -x "$$f" ] || continue; \
	  crashers=tests/fuzz/crashers/$$(basename $$f); \
	  if [ -d $$crashers ]; then \
	    echo "== replaying $$(ls $$crashers | wc -l) old crashers of $$(basename $$f)"; \
	    $$f $$crashers/* >$(FUZZ_BUILD)/$$(basename $$f).replay.log 2>&1 \
	      || { tail -50 $(FUZZ_BUILD)/$$(basename $$f).replay.log; exit 1; }; \
	  fi; \
	  echo "== fuzzing $$(basename $$f) for $(FUZZ_SECONDS)s"; \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$(basename $$f); \
	  $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=0 $(FUZZ_BUILD)/corpus/$$(basename $$f) \
	      tests/fuzz/seeds 2>$(FUZZ_BUILD)/$$(basename $$f).log \
	    || { tail -50 $(FUZZ_BUILD)/$$(basename $$f).log; exit 1; }; \
	done

run: build
	@scripts/run-program $(BUILD)

bench: build
	@scripts/bench $(BUILD)

install: build
	@cmake --install $(BUILD)

# The Debian package, $(BUILD)/quillo_<version>_<arch>.deb, installing under /usr: apt install ./<it>.
package: build
	@cd $(BUILD) && cpack -G DEB >cpack.log || { cat cpack.log; exit 1; }
	@ls $(BUILD)/quillo_*.deb

format:
	@find engine rexp32 cli frontend tests bench -name '*.cpp' -o -name '*.h' -o -name '*.c' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(RELEASE_BUILD)
