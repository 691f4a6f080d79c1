#!/usr/bin/env bash
# Builds Sarnith twice, plainly (build/) and with the address and
# undefined-behaviour sanitizers (build-asan/), and runs every test in both;
# runs the whole-process benchmark once on tiny databases in between.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
# The whole-process benchmark on tiny databases, only to prove that it runs.
python3 benchmarks/process_benchmark.py --tiny --sarnith build/sarnith --mklogdb build/testing/mklogdb

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DSARNITH_SANITIZE=ON -DSARNITH_BENCHMARKS=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"
