#!/usr/bin/env bash
# Checks the layout (.clang-format), builds Sarnith twice, plainly (build/)
# and with the address and undefined-behaviour sanitizers (build-asan/),
# both with the strict warnings as errors, runs every test in both (and the
# whole-process benchmark once on tiny databases), and runs clang-tidy
# (.clang-tidy) over the project's code; then builds the program and the
# tests of the run with worker threads and of follow mode with the thread
# sanitizer (build-tsan/) and runs those (label "threads"). When clang is there, the
# fuzz targets then run for 20 seconds each.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)

./scripts/check-format.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
# The whole-process benchmark on tiny databases, only to prove that it runs.
python3 benchmarks/process_benchmark.py --tiny --sarnith build/sarnith --mklogdb build/testing/mklogdb

./scripts/check-tidy.sh

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON -DSARNITH_SANITIZE=ON -DSARNITH_BENCHMARKS=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DSARNITH_THREAD_SANITIZER=ON \
  -DSARNITH_BENCHMARKS=OFF
cmake --build build-tsan -j "$jobs" --target sarnith e2e_parallel_run_test e2e_follow_test
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -L threads --output-on-failure -j "$jobs"

if command -v clang++ >/dev/null 2>&1; then
  ./fuzz/run.sh --jobs "$jobs" 20
else
  echo "clang++ not found: the fuzz targets were not run"
fi
