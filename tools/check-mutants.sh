#!/usr/bin/env bash
# Fails when a row of the mutant list no longer applies: its file is gone, or
# its original text, which keys the row, is not on exactly one line there.
set -euo pipefail
cd "$(dirname "$0")/.."
list=${1:-tools/mutants.tsv}
rows=0
stale=0
while IFS=$'\t' read -r id file _line original _rest; do
    case "$id" in '' | '#'*) continue ;; esac
    rows=$((rows + 1))
    if [ ! -f "$file" ]; then
        echo "$id: $file is missing"
        stale=$((stale + 1))
        continue
    fi
    lines=$(grep -c -F -e "$original" -- "$file" || true)
    if [ "$lines" != 1 ]; then
        echo "$id: '$original' is on $lines lines of $file, not 1"
        stale=$((stale + 1))
    fi
done <"$list"
if [ "$stale" -gt 0 ]; then
    echo "check-mutants: $stale of $rows rows of $list no longer apply"
    exit 1
fi
echo "check-mutants: all $rows rows of $list apply"
