#!/usr/bin/env bash
# Puts a fault before every "endfunction" (and at seeded statement lines) of
# every corpus script that a run accepts, by letters and by words, and
# prints how many were put in and how many were reported elsewhere than
# their own line. The test command runs a sample of the same test.
set -euo pipefail
cd "$(dirname "$0")/.."
ninja -C build zarn_tests >/dev/null
ZARN_WHOLE_CORPUS=1 build/zarn_tests --gtest_filter='CorpusPlaces.FaultsBeforeEveryEndfunction*' | grep -E "faults put in|OK|FAILED|Failure" 
