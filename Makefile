# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=
CTEST_ARGS ?=

.PHONY: deps configure build run test test-sanitize bench fuzz clean

deps:
	@tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/rookvale

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# Address + undefined behaviour over everything, then the thread sanitizer over the
# threaded plain C++ parts (Qt's own libraries are not built for it); each in a build tree
# of its own, with the deep perft runs (label "deep") left to the plain build.
TSAN_AREAS = game;rvrules;bridge;ferrule-host;ferrule-test-engine;bridge-windows;fuzz
test-sanitize: deps
	$(MAKE) test BUILD=build-asan CTEST_ARGS="-LE deep" CMAKE_FLAGS="-DROOKVALE_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=Debug"
	$(MAKE) test BUILD=build-tsan CTEST_ARGS="-LE deep" CMAKE_FLAGS="-DROOKVALE_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug '-DROOKVALE_AREAS=$(TSAN_AREAS)'"

# The fuzz targets as libFuzzer programs (clang), each run for FUZZ_SECONDS on its corpus.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = fuzz-move-entry fuzz-time-control fuzz-game-file fuzz-engine-line fuzz-main-line fuzz-line-buffer fuzz-fen fuzz-pgn fuzz-peer-line fuzz-peer-extended-line fuzz-engine-reply fuzz-feature-line
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DROOKVALE_FUZZ=ON \
	  -DROOKVALE_SANITIZE=address,undefined -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build build-fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
	@for target in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus/$$target; \
	  build-fuzz/bin/$$target -max_total_time=$(FUZZ_SECONDS) build-fuzz/corpus/$$target tests/fuzz/corpus/$$target || exit 1; \
	done

bench: build
	@for b in $(BUILD)/bin/bench-*; do echo "== $$b"; $$b; done

clean:
	rm -rf build build-asan build-tsan build-fuzz
