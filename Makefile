# The two commands a newcomer needs:
#   make run   - install what is missing, build, and start the utility
#                (against the virtual reader when no real reader is configured)
#   make test  - install what is missing, build, and run every test
.PHONY: run test deps build build-tsan test-tsan sanitize bench screenshots fuzz clean \
        package package-check install bench-startup

JOBS ?= $(shell nproc)
BUILD ?= build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

# The serial tests are built a second time under ThreadSanitizer. Every run gives a failed test
# one more try: the pacing and latency tests measure time, which a loaded machine can stretch.
build-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DPX708_SANITIZE=thread \
	      -DPX708_BUILD_APP=OFF -DPX708_BUILD_BENCH=OFF "-DPX708_TEST_DIRS=serial;tracelog;link"
	cmake --build build-tsan -j $(JOBS)

test-tsan: build-tsan
	cd build-tsan && ctest -L 'serial|link' --output-on-failure -j 2 --repeat until-pass:2

test: build
	cd $(BUILD) && ctest --output-on-failure -j 2 --repeat until-pass:2
	$(MAKE) test-tsan
	$(MAKE) sanitize

# Everything under AddressSanitizer and UndefinedBehaviorSanitizer, with LeakSanitizer on
# (tests/lsan.supp names the few allocations of libraries that live until the process ends).
# The sanitizer's tracking of dynamic thread-local storage (intercept_tls_get_addr) records a
# bogus block for the main thread of the window's test programs, and the leak check at exit then
# crashes ("Tracer caught signal 11") instead of checking; without it the static TLS and every
# thread's stack are still searched for pointers.
sanitize: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPX708_SANITIZE=address,undefined \
	      -DPX708_BUILD_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	cd build-asan && UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	      ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0 \
	      LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	      ctest --output-on-failure -j 2 --repeat until-pass:2

bench: build
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; $$b; done
	@$(MAKE) --no-print-directory bench-startup

# Start to the first window painted, many runs, medians, beside a bare Qt window's.
bench-startup: build
	@scripts/bench-startup.py $(BUILD)

# The Debian package (px708_<version>_<arch>.deb in the build folder), and its check.
package: build
	cd $(BUILD) && cpack -G DEB
package-check: package
	@scripts/check-package.sh $(BUILD)

# Installs under PREFIX (/usr/local unless given).
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The screenshots of docs/images (the documents and the README show them).
screenshots: build
	@scripts/screenshots.sh $(BUILD)

# The fuzz targets, each for FUZZ_RUNS inputs (10 million unless set).
fuzz:
	@scripts/install-deps.sh fuzz
	@scripts/fuzz.sh

clean:
	rm -rf build build-tsan build-asan build-fuzz
