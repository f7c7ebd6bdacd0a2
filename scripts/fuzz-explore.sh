#!/usr/bin/env bash
# Open-ended fuzzing that looks for new findings; not part of scripts/test.sh.
# Runs each libFuzzer target for SECONDS (default 600) from the repository's
# seeds and, when present, the real scripts and maps of ../shared/corpus. The
# mutation seed is FUZZ_SEED (default: a new one each run, printed), so a run
# can be repeated. New interesting inputs collect in build-fuzz/corpus/TARGET
# across runs; a finding is written to build-fuzz/findings/ and stops the
# script. Put a finding, once fixed, into tests/fuzz-regression/TARGET so that
# scripts/fuzz.sh replays it from then on.
# Usage: scripts/fuzz-explore.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/fuzz-common.sh
seconds=${1:-600}
seed=${FUZZ_SEED:-$RANDOM$RANDOM}
echo "mutation seed: $seed"
fuzz_build
fuzz_seeds
corpus=../shared/corpus
if [ -d "$corpus" ]; then
  # Small seeds keep each run fast: the head of every script, every small map.
  for f in "$corpus"/scripts/*.j "$corpus"/jass/*.j; do
    head -c 4096 "$f" > "build-fuzz/seeds/preprocess_fuzzer/$(basename "$f")"
    head -c 4096 "$f" > "build-fuzz/seeds/jass_checker_fuzzer/$(basename "$f")"
  done
  find "$corpus/maps" -name '*.w3[mx]' -size -64k -exec cp {} build-fuzz/seeds/archive_fuzzer/ \;
fi
export ASAN_OPTIONS=detect_leaks=1
mkdir -p build-fuzz/findings
for target in "${fuzz_targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$target"
  build-fuzz/$target $(fuzz_options "$target") -seed="$seed" -max_total_time="$seconds" -print_final_stats=1 \
    "build-fuzz/corpus/$target" "build-fuzz/seeds/$target"
done
echo "fuzzing finished without findings"
