#!/usr/bin/env bash
# Checks that every tracked C and C++ source is laid out as .clang-format says.
# Lists the files that differ and exits non-zero when there is any.
# CLANG_FORMAT names the program to use (default: clang-format).
set -euo pipefail

cd "$(dirname "$0")/.."
clang_format="${CLANG_FORMAT:-clang-format}"
if ! command -v "$clang_format" >/dev/null 2>&1; then
  echo "check-format: $clang_format not found (scripts/install-deps.sh installs it)" >&2
  exit 2
fi

mapfile -d '' files < <(git ls-files -z -- '*.c' '*.cc' '*.cpp' '*.h' '*.hpp')
if [ ${#files[@]} -eq 0 ]; then
  exit 0
fi

status=0
xargs -0 -n 50 "$clang_format" --dry-run --Werror --style=file < <(printf '%s\0' "${files[@]}") || status=$?
if [ $status -ne 0 ]; then
  echo "check-format: the files above differ from .clang-format (fix with: clang-format -i FILE)" >&2
  exit 1
fi
