#!/usr/bin/env bash
# Renders the progress, errors (marker entries, and JASS 2 check entries in
# errors-check.png) and About windows offscreen to PNG files.
# Usage: scripts/render-screens.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
out="${2:-$build/screens}"
if [ ! -x "$build/zarn-screens" ]; then
  cmake --build "$build" --target zarn-screens
fi
QT_QPA_PLATFORM=offscreen "$build/zarn-screens" "$out"
