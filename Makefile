# Frivo: the two commands of the quick start are `make run` and `make test`.
PRESET ?= default
BUILD  := build
JOBS   ?= 2

.PHONY: all deps configure build test run asan-test tsan-test fuzz format clean

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

# Each libFuzzer target for FUZZ_SECONDS on a copy of its seed corpus
# (tests/fuzz/corpus/<name>); what it finds stays in build-fuzz/. A crash stops
# the run with the input that caused it. The address sanitizer keeps no
# allocation stacks and a small quarantine here: recording a stack for every
# allocation costs a fifth of the run, and the stacks it keeps grow without
# end over millions of inputs until the memory limit stops the run. A crash's
# input run again by hand (build-fuzz/tests/fuzz/fuzz_<name> FILE) reports
# with full stacks.
FUZZ_ASAN_OPTIONS := detect_leaks=0:malloc_context_size=0:quarantine_size_mb=64
FUZZ_SECONDS ?= 60
FUZZERS := text_file ini_file command_line time_text desktop_entry
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@for name in $(FUZZERS); do \
	  mkdir -p build-fuzz/corpus/$$name build-fuzz/crashes; \
	  cp -n tests/fuzz/corpus/$$name/* build-fuzz/corpus/$$name/; \
	  echo "fuzz: $$name for $(FUZZ_SECONDS) s"; \
	  if ! UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ASAN_OPTIONS=$(FUZZ_ASAN_OPTIONS) \
	      build-fuzz/tests/fuzz/fuzz_$$name -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 \
	      -max_len=65536 -timeout=10 -print_final_stats=1 \
	      -artifact_prefix=build-fuzz/crashes/$$name- build-fuzz/corpus/$$name \
	      > build-fuzz/$$name.log 2>&1; then \
	    tail -n 60 build-fuzz/$$name.log; exit 1; \
	  fi; \
	  grep -E "^(#[0-9]+ +DONE|stat::number_of_executed_units)" build-fuzz/$$name.log; \
	done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-tsan build-fuzz build-fuzz-ubsan
