# Frivo: the two commands of the quick start are `make run` and `make test`.
PRESET ?= default
BUILD  := build
JOBS   ?= 2

.PHONY: all deps configure build test run asan-test tsan-test format clean

all: build

deps:
	@bash scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	ctest --preset $(PRESET) -j $(JOBS)

run: build
	@bash scripts/run-sample

# The build runs the test-media generator, itself built with the sanitizers;
# GLib keeps memory until exit by design, so leak reports are off there too.
asan-test: deps
	@cmake --preset asan $(CMAKE_ARGS) >/dev/null
	@ASAN_OPTIONS=detect_leaks=0 cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The tests of the frame hand-over between the streaming and UI threads under
# the thread sanitizer. The test-media generator is built with it too; its
# reports are about GStreamer's own threads and are silenced while it runs, and
# it may start ffmpeg after GStreamer has started threads.
tsan-test: deps
	@cmake --preset tsan $(CMAKE_ARGS) >/dev/null
	@TSAN_OPTIONS=report_bugs=0:die_after_fork=0 cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-tsan
