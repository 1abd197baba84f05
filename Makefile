# The user's two commands: `make run` and `make test`. Both set up what they need first.
BUILD       ?= build
TEST_BUILD  ?= build-test
BENCH_BUILD ?= build-bench
FUZZ_BUILD  ?= build-fuzz
FUZZ_RUNS   ?= 1000000
FUZZ_SMOKE_SECONDS ?= 2
JOBS        ?= $(shell nproc 2>/dev/null || sysctl -n hw.ncpu 2>/dev/null || echo 2)
GENERATOR   := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
# On macOS the program is built as the application bundle Moorix.app.
PROGRAM     := $(if $(filter Darwin,$(shell uname -s)),$(BUILD)/Moorix.app/Contents/MacOS/Moorix,$(BUILD)/moorix)

.PHONY: deps build run test test-build bench install uninstall package screenshots clean fuzz fuzz-build fuzz-smoke

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOORIX_BUILD_TESTS=OFF

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(PROGRAM)

# Tests run under AddressSanitizer and UndefinedBehaviorSanitizer, with warnings as errors. Line tables
# (-g1) are all a sanitizer report needs, and the build is a fifth faster than with full debug information.
test-build: deps
	cmake -S . -B $(TEST_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DMOORIX_SANITIZE=ON -DMOORIX_WERROR=ON -DMOORIX_TEST_SEAMS=ON
	cmake --build $(TEST_BUILD) -j $(JOBS)

test: test-build
	cd $(TEST_BUILD) && ctest -j $(JOBS) --output-on-failure --timeout 300
	@$(MAKE) --no-print-directory fuzz-smoke

# The parsers' libFuzzer harnesses, in a clang build of their own. `make fuzz` runs each for FUZZ_RUNS
# inputs; `make test` runs each for a few seconds from the committed seeds, so that a regression shows in CI.
fuzz-build: deps
	cmake -S . -B $(FUZZ_BUILD) $(GENERATOR) -DCMAKE_CXX_COMPILER=clang++ -DMOORIX_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz: fuzz-build
	scripts/fuzz $(FUZZ_BUILD) -runs=$(FUZZ_RUNS)

fuzz-smoke:
ifeq ($(shell uname -s),Linux)
	@$(MAKE) --no-print-directory fuzz-build
	scripts/fuzz $(FUZZ_BUILD) -max_total_time=$(FUZZ_SMOKE_SECONDS)
else
	@echo "fuzz smoke skipped: libFuzzer comes with Linux clang only"
endif

# The README's pictures, drawn by the widget tests with the same code as the application.
screenshots: test-build
	cd $(TEST_BUILD) && ctest -R '^(PanelWidgetTest|SettingsWindow)' --output-on-failure
	mkdir -p docs
	cp $(addprefix $(TEST_BUILD)/screenshots/,panel-list.png panel-confirming.png panel-row-menu.png \
	   panel-history.png panel-label-editor.png settings-general.png settings-updates.png) docs/

bench: deps
	cmake -S . -B $(BENCH_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DMOORIX_BUILD_TESTS=OFF -DMOORIX_BUILD_BENCH=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	bench/run-all $(BENCH_BUILD)

install: build
	cmake --install $(BUILD) --prefix $(or $(PREFIX),$(HOME)/.local)

uninstall:
	scripts/uninstall $(BUILD)

# moorix_<version>_<arch>.deb, here, from the release build.
package: build
	rm -f $(BUILD)/package/moorix_*.deb
	cd $(BUILD) && cpack -G DEB
	cp $(BUILD)/package/moorix_*.deb .

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
