#!/usr/bin/env bash
# Installs what the build needs (only what is missing) and builds Sarnith in
# build/. Safe to run again: installed packages are kept, the build is
# brought up to date.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev python3)
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
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target sarnith >/dev/null
echo "Built build/sarnith"
