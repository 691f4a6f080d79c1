#!/usr/bin/env bash
# Installs what the build and the tests need (only what is missing) and
# builds Sarnith in build/: the program, mklogdb and the manual pages, all
# that `cmake --install build` installs (the tests are left to
# scripts/test.sh). Safe to run again: installed packages are kept, the
# build is brought up to date.
set -euo pipefail
cd "$(dirname "$0")/.."

# The program: cmake, g++, make, zlib, ISA-L (which inflates gzip files;
# its igzip command is the yardstick of the benchmark and makes files for
# the tests), gzip for the manual pages and the tests. The tests:
# GoogleTest, Google Benchmark, the time zone data (tests pin Europe/Berlin),
# clang-format and clang-tidy (the checks of scripts/test.sh); for the manual
# pages, the shell completions and the Debian package groff, man,
# bash-completion, zsh, dpkg-dev and file (which cpack's dependency search
# needs); Python 3 reads the JSON and CSV exports. The fuzz targets (fuzz/):
# clang, its runtime libraries and nlohmann-json.
packages=(cmake g++ make zlib1g-dev libisal-dev isal gzip libgtest-dev libgmock-dev libbenchmark-dev tzdata clang-format clang-tidy
          groff-base man-db bash-completion zsh dpkg-dev file python3
          clang libclang-rt-dev nlohmann-json3-dev)
# The whole-process benchmark (Python 3): its reference runs igzip (isal,
# above) and taskset, and GNU time measures the peak memory of each run.
packages+=(util-linux time)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build -j "$jobs" --target sarnith mklogdb manpages >/dev/null
echo "Built build/sarnith"
