#!/usr/bin/env bash
# The sanitizer pass of scripts/test.sh: builds everything again with
# AddressSanitizer and UndefinedBehaviorSanitizer into ./build-asan and runs
# the tests there. Every report (a memory error, a leak, undefined behaviour)
# fails the test that caused it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# clang compiles this build about half again as fast as g++ (which builds the
# normal one), and unoptimised code with line tables is all the reports need.
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" \
  -DPELMO_SANITIZE=ON -DPELMO_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build-asan
export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# This clang's LeakSanitizer can misread the thread-local storage of a library
# loaded after the start (Qt's JPEG image plugin brings libjpeg, which has
# some) and crash in its exit check ("DTLS ... at 0x3cb0", then "Tracer caught
# signal 11") although the tests passed. Loaded from the start, libjpeg's
# storage is static and read right.
# awk reads the whole list: leaving early would end ldconfig with SIGPIPE,
# which pipefail and set -e turn into this script's exit status (141).
jpeg=$(/sbin/ldconfig -p 2>/dev/null | awk '/libjpeg\.so\.62 .*x86-64/ && !found {found = $NF} END {print found}' || true)
if [ -n "$jpeg" ]; then export LD_PRELOAD="$jpeg"; fi
# The package and installed-file checks install the build and say nothing
# about memory: the normal pass runs them.
# LeakSanitizer's leak check at a program's exit crashes now and then on a busy
# machine ("Tracer caught signal 11", "LeakSanitizer has encountered a fatal
# error") although the program passed; a test that failed runs once more, alone,
# and its first failure stays in the log above.
if ! ctest --test-dir build-asan --output-on-failure -j "$(nproc)" -E '^desktop_(files|package)$'; then
  echo "test-sanitizers.sh: running the failed tests once more, one at a time"
  ctest --test-dir build-asan --output-on-failure --rerun-failed
fi
