#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over the project's .cpp
# files, as many at a time as there are cores, with the compile commands of
# the plain build (build/compile_commands.json, written when build/ is
# configured; BUILD_DIR names another build folder). Fails on any finding.
# Without arguments every file the build compiles is checked; otherwise the
# files given.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build}
clang_tidy=$(command -v clang-tidy-14 || command -v clang-tidy || true)
if [ -z "$clang_tidy" ]; then
  echo "check-tidy: clang-tidy is not installed (scripts/setup.sh installs it)" >&2
  exit 2
fi
if [ ! -f "$build/compile_commands.json" ]; then
  echo "check-tidy: $build/compile_commands.json is missing; configure the build first (cmake -S . -B $build)" >&2
  exit 2
fi

if [ "$#" -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$build/compile_commands.json" | sort -u)
fi

jobs=$(nproc 2>/dev/null || echo 2)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
printf '%s\0' "${files[@]}" |
  xargs -0 -n 1 -P "$jobs" "$clang_tidy" -p "$build" --quiet >"$log" 2>&1 || status=$?
# clang reports how many warnings it suppressed for every file; only the findings matter.
grep -vE '^[0-9]+ (warnings?|errors?)( and [0-9]+ errors?)? generated\.$' "$log" || true
if [ "$status" -ne 0 ]; then
  echo "check-tidy: findings above (the checks and why some are off: .clang-tidy)" >&2
  exit 1
fi
echo "check-tidy: no findings in ${#files[@]} files"
