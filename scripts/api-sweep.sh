#!/usr/bin/env bash
# Every built-in API table against the game's files it was made from, on
# every corpus script (the test command samples them). After a build.
set -euo pipefail
cd "$(dirname "$0")/.."
ZARN_API_SWEEP=1 build/zarn_tests --gtest_filter='BuiltinApi.GivesTheVerdictsOfTheFilesItWasMadeFrom'
