# Entry points named in the README. Every target installs what it needs.
JOBS   ?= 2
BUILD  ?= build
ASAN   ?= build-asan
FUZZB  ?= build-fuzz
TSANB  ?= build-tsan
BENCHB ?= build-bench
FUZZ_SECONDS ?= 20

DEBB   ?= build-deb

.PHONY: deps build test layers unit tsan fuzz-smoke fuzz demo bench package package-check clean

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j$(JOBS)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# then a short run of every fuzz target, then the Debian packages built,
# installed, used and removed (about 2 minutes).
test: deps layers unit tsan fuzz-smoke package-check

# Every include of the library points down its floors.
layers:
	python3 scripts/check-layers.py .

unit:
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DVEL_SANITIZE=ON
	cmake --build $(ASAN) -j$(JOBS)
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1 QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# Books in threads under ThreadSanitizer (the library and that test only).
tsan:
	cmake -S . -B $(TSANB) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEL_TSAN=ON -DVEL_BUILD_APP=OFF
	cmake --build $(TSANB) -j$(JOBS) --target test_threads
	TSAN_OPTIONS=halt_on_error=1 $(TSANB)/tests/test_threads

fuzz-smoke:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZB) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEL_FUZZ=ON -DVEL_BUILD_APP=OFF -DVEL_BUILD_TESTS=OFF
	cmake --build $(FUZZB) -j$(JOBS)
	bash scripts/fuzz.sh $(FUZZB) $(FUZZ_SECONDS)

fuzz: FUZZ_SECONDS=600
fuzz: fuzz-smoke

# The main job: convert a sample clip into a workbook.
demo: build
	bash scripts/demo.sh $(BUILD)

bench: deps
	cmake -S . -B $(BENCHB) -DCMAKE_BUILD_TYPE=Release -DVEL_BUILD_BENCH=ON -DVEL_BUILD_TESTS=OFF
	cmake --build $(BENCHB) -j$(JOBS)
	bash scripts/bench.sh $(BENCHB)

# Debian packages (libvelmora2, libvelmora-dev, velmora, gridcinema) in $(DEBB)/.
package:
	bash scripts/install-deps.sh --package
	JOBS=$(JOBS) bash scripts/build-deb.sh $(DEBB)

# lintian, then install the packages with apt, use them, remove them.
package-check: package
	bash scripts/check-deb.sh $(DEBB)

clean:
	rm -rf $(BUILD) $(ASAN) $(FUZZB) $(TSANB) $(BENCHB) $(DEBB)
