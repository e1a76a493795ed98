#!/usr/bin/env bash
# `make run`: builds only what the demo needs and runs it: the window host
# where there is a display, else the capture tool, which renders the scene after
# 900 ticks into a picture beside the build.
#   run-demo.sh <build dir> <parallel jobs>
set -euo pipefail
build=${1:-build}
jobs=${2:-2}
fail() {
  echo "run-demo: $*" >&2
  exit 1
}

# The build's targets, read from a file: no reader that stops early on a pipe.
targets=$(mktemp)
trap 'rm -f "$targets"' EXIT
cmake --build "$build" --target help >"$targets" || fail "cannot list the targets of $build"
has_target() { grep -q "^$1: " "$targets"; }

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && has_target shadow_mapping; then
  cmake --build "$build" -j "$jobs" --target shadow_mapping || fail "the window host did not build"
  cd "$build/bin"
  exec ./shadow_mapping
fi

has_target shadow_capture ||
  fail "neither the window host nor the capture tool can be built (SDL2 and EGL missing?); tools/setup.sh installs them"
cmake --build "$build" -j "$jobs" --target shadow_capture || fail "the capture tool did not build"
cd "$build/bin"
out=$(pwd)/shadow_capture.png
echo "Rendering the scene after 900 ticks (the first box falls at tick 120); this takes a while on a software renderer"
./shadow_capture --ticks 900 --out "$out" || fail "the capture tool failed"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No window host in this build (SDL2 missing?): rendered the scene after 900 ticks to $out"
else
  echo "No display: rendered the scene after 900 ticks to $out"
fi
