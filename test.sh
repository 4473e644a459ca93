#!/usr/bin/env bash
# Every test: installs what is missing, builds, and runs the suite natively and under
# AddressSanitizer with UndefinedBehaviorSanitizer (the kept fuzz inputs replayed among them),
# then the sorting run's tests under ThreadSanitizer, then every fuzz target for a short while.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh

scripts/build.sh build
(cd build && ctest --output-on-failure -j "$(nproc)")

scripts/build.sh build-asan -DPALLIDOR_SANITIZE=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j "$(nproc)")

scripts/build.sh build-tsan -DPALLIDOR_SANITIZE_THREAD=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
   ctest --output-on-failure -j "$(nproc)" -R '^(SortRun|SortStress|SortFaults|SortCommandRun|SortWorker|FileMover|ResultLog)\.')

# PALLIDOR_FUZZ_SECONDS per target; a finding fails the run.
scripts/fuzz.sh -t "${PALLIDOR_FUZZ_SECONDS:-30}"
