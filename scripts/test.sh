#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suites in a
# Release build, the install and package checks (scripts/package-test.sh; with
# CI=true they also install and purge the package), the core and console
# suites again under AddressSanitizer and UndefinedBehaviorSanitizer, then
# each fuzz target for a bounded time.
# FUZZ_SECONDS sets the time per fuzz target (default 60; 0 skips fuzzing).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2 --timeout 900

echo "== install and package =="
scripts/package-test.sh

echo "== sanitizer build =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARN_SANITIZE=ON -DZARN_GUI=OFF >/dev/null
ninja -C build-asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j2 --timeout 900

seconds=${FUZZ_SECONDS:-60}
if [ "$seconds" -gt 0 ]; then
  echo "== fuzzing, ${seconds}s per target =="
  scripts/fuzz.sh "$seconds"
fi
