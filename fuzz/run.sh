#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each of
# them for the given number of seconds on its corpus.
#
#   fuzz/run.sh [--jobs N] <seconds> [target ...]
#
# Targets: entry, daily_file, statement, config (default: all four), run N
# at a time (default 1). Each run starts from the committed seeds in
# fuzz/corpus/<target>/ and the inputs earlier runs found, kept in
# build-fuzz/corpus/<target>/; its log is build-fuzz/logs/<target>.log and an
# input that fails is saved under build-fuzz/artifacts/. The exit code is 1
# when any target failed.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: fuzz/run.sh [--jobs N] <seconds> [entry|daily_file|statement|config ...]" >&2
  exit 1
}

jobs=1
if [ "${1:-}" = "--jobs" ]; then
  [ $# -ge 2 ] || usage
  jobs=$2
  shift 2
fi
[ $# -ge 1 ] || usage
seconds=$1
shift
[[ "$seconds" =~ ^[0-9]+$ && "$jobs" =~ ^[1-9][0-9]*$ ]] || usage
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(entry daily_file statement config)
for target in "${targets[@]}"; do
  [ -d "fuzz/corpus/$target" ] || usage
done

# The build's output goes to its log and is shown only when it fails.
build=build-fuzz
mkdir -p "$build/logs" "$build/artifacts"
if ! { cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DSARNITH_FUZZ=ON -DSARNITH_BENCHMARKS=OFF &&
       cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]/#/fuzz_}"; } \
     >"$build/logs/build.log" 2>&1; then
  cat "$build/logs/build.log" >&2
  exit 1
fi

# The longest input of a target: a daily file long enough for several refills
# of the reader's 8 KiB buffer, an entry of a few kilobytes, statements and
# configuration files past the lengths their readers cut at.
max_len() {
  case $1 in
    daily_file) echo 65536 ;;
    entry) echo 16384 ;;
    *) echo 8192 ;;
  esac
}

# One target: its own corpus folder first (new inputs go there), then the
# seeds. Standard error of the code under test (reader and parser messages)
# is closed; the fuzzer keeps its own.
run_target() {
  local target=$1
  mkdir -p "$build/corpus/$target"
  local options=(-max_total_time="$seconds" -max_len="$(max_len "$target")" -timeout=10 -close_fd_mask=2
                 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-")
  if [ -f "fuzz/dict/$target.dict" ]; then
    options+=(-dict="fuzz/dict/$target.dict")
  fi
  "$build/fuzz/fuzz_$target" "${options[@]}" "$build/corpus/$target" "fuzz/corpus/$target" \
    >"$build/logs/$target.log" 2>&1
}

# The closing numbers of a target's log.
summary() {
  local target=$1
  local log="$build/logs/$target.log" runs cov corpus
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 || true)
  corpus=$(grep -oE 'corp: [0-9]+/[0-9]+[a-zA-Z]*' "$log" | tail -n 1 || true)
  echo "fuzz_$target: ${runs:-?} runs in ${seconds}s, ${cov:-no coverage line}, ${corpus:-no corpus line}"
}

failed=0
pids=()
names=()
wait_first() {
  if ! wait "${pids[0]}"; then
    echo "fuzz_${names[0]}: FAILED, see $build/logs/${names[0]}.log" >&2
    tail -n 40 "$build/logs/${names[0]}.log" >&2
    failed=1
  fi
  summary "${names[0]}"
  pids=("${pids[@]:1}")
  names=("${names[@]:1}")
}
for target in "${targets[@]}"; do
  [ ${#pids[@]} -lt "$jobs" ] || wait_first
  run_target "$target" &
  pids+=($!)
  names+=("$target")
done
while [ ${#pids[@]} -gt 0 ]; do
  wait_first
done
exit $failed
