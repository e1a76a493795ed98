#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it, or
# when shellcheck finds fault with a tracked shell script.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
if [ ${#files[@]} -eq 0 ]; then
    echo "format-check: no C++ files"
else
    clang-format --dry-run -Werror "${files[@]}"
    echo "format-check: ${#files[@]} files formatted"
fi
mapfile -t scripts < <(git ls-files -- '*.sh' 2>/dev/null || find . -name '*.sh' -not -path './build*')
if [ ${#scripts[@]} -eq 0 ]; then
    echo "format-check: no shell scripts"
else
    # -x: sourced files are followed, as each script's directives name them.
    shellcheck -x "${scripts[@]}"
    echo "format-check: ${#scripts[@]} shell scripts pass shellcheck"
fi
