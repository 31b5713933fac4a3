#!/usr/bin/env bash
# Formats every C++ file the project tracks with its .clang-format:
#   scripts/format.sh          rewrite the files in place
#   scripts/format.sh --check  change nothing; fail, naming the files, if any
#                              file is not formatted (CI runs this)
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror "${files[@]}"
else
  clang-format -i "${files[@]}"
fi
