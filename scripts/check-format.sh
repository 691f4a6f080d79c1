#!/usr/bin/env bash
# Checks that every C++ file of the project follows .clang-format and opens
# with a comment saying what it is for: fails and shows each place
# clang-format would change (and each file without its opening comment).
# With --fix, reformats the files in place instead. Uses clang-format-14 when installed (the version
# .clang-format is written for), else clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."

clang_format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$clang_format" ]; then
  echo "check-format: clang-format is not installed (scripts/setup.sh installs it)" >&2
  exit 2
fi

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
  mapfile -t files < <(find . -path './build*' -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print | sort)
fi

if [ "${1:-}" = "--fix" ]; then
  "$clang_format" -i "${files[@]}"
  exit 0
fi
unexplained=()
for file in "${files[@]}"; do
  case $(head -c 2 "$file") in
    //) ;;
    *) unexplained+=("$file") ;;
  esac
done
if [ "${#unexplained[@]}" -gt 0 ]; then
  printf 'check-format: %s does not open with a comment saying what it is for\n' "${unexplained[@]}" >&2
  exit 1
fi
if ! "$clang_format" --dry-run --Werror "${files[@]}"; then
  echo "check-format: the places above differ from .clang-format; scripts/check-format.sh --fix reformats them" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files follow .clang-format"
