# The user's two commands: `make run` and `make test`. Both set up what they need first.
BUILD       ?= build
TEST_BUILD  ?= build-test
BENCH_BUILD ?= build-bench
JOBS        ?= $(shell nproc 2>/dev/null || sysctl -n hw.ncpu 2>/dev/null || echo 2)
GENERATOR   := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: deps build run test bench install uninstall clean

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOORIX_BUILD_TESTS=OFF

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/moorix

# Tests run under AddressSanitizer and UndefinedBehaviorSanitizer, with warnings as errors.
test: deps
	cmake -S . -B $(TEST_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DMOORIX_SANITIZE=ON -DMOORIX_WERROR=ON -DMOORIX_TEST_SEAMS=ON
	cmake --build $(TEST_BUILD) -j $(JOBS)
	cd $(TEST_BUILD) && ctest -j $(JOBS) --output-on-failure --timeout 300

bench: deps
	cmake -S . -B $(BENCH_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DMOORIX_BUILD_TESTS=OFF -DMOORIX_BUILD_BENCH=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	bench/run-all $(BENCH_BUILD)

install: build
	cmake --install $(BUILD) --prefix $(or $(PREFIX),$(HOME)/.local)

uninstall:
	scripts/uninstall $(BUILD)

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(BENCH_BUILD)
