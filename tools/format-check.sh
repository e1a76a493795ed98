#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
[ ${#files[@]} -eq 0 ] && { echo "format-check: no files"; exit 0; }
clang-format --dry-run -Werror "${files[@]}"
echo "format-check: ${#files[@]} files formatted"
