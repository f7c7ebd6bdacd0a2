#!/usr/bin/env bash
# The fuzz check of scripts/test.sh: the same result for the same commit on
# every machine. Builds the libFuzzer targets (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer), then for each target:
#   1. replays its regression corpus, tests/fuzz-regression/TARGET: every input
#      that ever made it fail;
#   2. makes FUZZ_RUNS runs (default 2000) with the fixed mutation seed
#      FUZZ_SEED, from seeds the repository holds or makes (no ../shared).
# Open-ended fuzzing that looks for new findings: scripts/fuzz-explore.sh.
# Usage: scripts/fuzz.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/fuzz-common.sh
runs=${FUZZ_RUNS:-2000}
seed=${FUZZ_SEED:-20261207}
fuzz_build
fuzz_seeds
export ASAN_OPTIONS=detect_leaks=1
mkdir -p build-fuzz/findings build-fuzz/logs

# Runs a command with its output in a log; on failure shows the log's end.
checked() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "FAILED: $* (whole output in $log)"
    exit 1
  fi
}

for target in "${fuzz_targets[@]}"; do
  name=${target%_fuzzer}
  inputs=("$regression/$name"/*)
  echo "== $target: ${#inputs[@]} regression inputs, then $runs runs with seed $seed =="
  # Files given one by one are only run, not mutated.
  checked "build-fuzz/logs/$target-regression.log" build-fuzz/$target $(fuzz_options "$target") "${inputs[@]}"
  # New inputs go to a scratch folder, never into the seeds or the tree.
  rm -rf "build-fuzz/corpus/$target" && mkdir -p "build-fuzz/corpus/$target"
  checked "build-fuzz/logs/$target-runs.log" build-fuzz/$target $(fuzz_options "$target") -seed="$seed" \
    -runs="$runs" -print_final_stats=1 "build-fuzz/corpus/$target" "build-fuzz/seeds/$target"
  grep -E '^stat::(number_of_executed_units|new_units_added)' "build-fuzz/logs/$target-runs.log" || true
done
echo "fuzz check passed"
