#!/usr/bin/env bash
# The whole-process benchmark script on tiny databases: the rows it prints,
# its Markdown table, databases reused by their parameters, and a run that
# does not behave (a message on standard error) refused with exit code 1.
#
# usage: process_benchmark_test.sh <python3> <sarnith> <mklogdb> <source folder> <sanitized: 0 or 1>
# A sanitizer build's memory is mostly the sanitizer's own, so there the
# peak RSS is checked as measured, not against its limit.
set -uo pipefail
python=$1
sarnith=$2
mklogdb=$3
source_dir=$4
sanitized=$5
source "$source_dir/tests/common/checks.sh"
make_scratch
bench() {
    "$python" "$source_dir/benchmarks/process_benchmark.py" --tiny --mklogdb "$mklogdb" --data "$scratch/data" "$@"
}

output=$(bench --sarnith "$sarnith" --workloads 1,3,7 2>"$scratch/stderr")
check "a tiny run of rows 1, 3 and 7 succeeds" 0 $?
check "the databases are generated" "generating fleet-g8-d7-t2000-z0-l6 ...
generating gzip-one-g1-d7-t5000-z100-l6 ...
generating plain-one-g1-d7-t5000-z0-l6 ..." "$(cat "$scratch/stderr")"
check "one line per run and reference, and the memory rows" \
    "1 from all, no time statement, 8 gateways
vs the same with TIMES
3 gzip scan, 1 gateway
vs igzip -dc of the same files
7 peak RSS, 1 gateway
7 peak RSS, 8 gateways" \
    "$(sed -n '4,$p' <<<"$output" | sed 's/  \+[0-9].*//; s/^ *//')"
if [ "$sanitized" = 1 ]; then
    check "the peak RSS of one gateway is measured" "1" \
        "$(grep -c '^7 peak RSS, 1 gateway .* [1-9][0-9.]* MiB .*<= 16 MiB *\(PASS\|FAIL\)$' <<<"$output")"
else
    check "the peak RSS of one gateway is measured and within its limit" "1" \
        "$(grep -c '^7 peak RSS, 1 gateway .* [1-9][0-9.]* MiB .*<= 16 MiB *PASS$' <<<"$output")"
fi

output=$(bench --sarnith "$sarnith" --workloads 5 --markdown 2>"$scratch/stderr")
check "a second run reuses the databases" "" "$(cat "$scratch/stderr")"
check "the Markdown table has a header, a rule and two rows" \
    "| workload | wall s | cpu s | entries/s | MB/s | peak RSS | load | database | ratio | target | verdict |
|---|---|---|---|---|---|---|---|---|---|---|
| 5 select binary, 1 gateway |
| vs the scan that matches nothing |" \
    "$(sed -n '3,$p' <<<"$output" | sed 's/^\(| [^|]*|\) [0-9].*/\1/')"

printf '#!/bin/sh\necho "something went wrong" >&2\n' >"$scratch/noisy"
chmod +x "$scratch/noisy"
output=$(bench --sarnith "$scratch/noisy" --workloads 5 2>&1)
check "a run that writes to standard error is refused" 1 $?
check "and named" "select binary on plain-one: standard error: something went wrong
select binary on plain-one: no output
scan, matches nothing on plain-one: standard error: something went wrong" "$output"

finish
