#!/usr/bin/env bash
# `make bench`: every benchmark binary of the build, one after another.
set -euo pipefail
build=${1:-build}
cd "$build/bin"
for b in ./*_bench; do
  [ -x "$b" ] || continue
  echo "== $b"
  "$b"
done
