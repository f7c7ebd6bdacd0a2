#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for a bounded time, seeded from
# the real scripts and maps in ../shared/corpus when present.
# The mutation seed is fixed (FUZZ_SEED), so a run repeats the same inputs in
# the same order and a CI result can be reproduced here.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
seed=${FUZZ_SEED:-20261207}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZARN_FUZZ=ON -DZARN_GUI=OFF -DZARN_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
ninja -C build-fuzz preprocess_fuzzer archive_fuzzer jass_checker_fuzzer
corpus=../shared/corpus
work=build-fuzz/corpus
rm -rf "$work" && mkdir -p "$work/scripts" "$work/maps"
if [ -d "$corpus" ]; then
  # Small seeds keep each run fast: the head of every script, every small map.
  for f in "$corpus"/scripts/*.j "$corpus"/jass/*.j; do head -c 4096 "$f" > "$work/scripts/$(basename "$f")"; done
  find "$corpus/maps" -name '*.w3[mx]' -size -64k -exec cp {} "$work/maps/" \;
fi
cp examples/*.j "$work/scripts/" 2>/dev/null || true
export ASAN_OPTIONS=detect_leaks=1
# Findings go beside the build, never into the source tree.
mkdir -p build-fuzz/findings
build-fuzz/preprocess_fuzzer -seed="$seed" -max_total_time="$seconds" -timeout=20 -max_len=8192 -rss_limit_mb=2048 \
  -artifact_prefix=build-fuzz/findings/ -print_final_stats=1 "$work/scripts"
build-fuzz/archive_fuzzer -seed="$seed" -max_total_time="$seconds" -timeout=20 -max_len=65536 -rss_limit_mb=2048 \
  -artifact_prefix=build-fuzz/findings/ -print_final_stats=1 "$work/maps"
build-fuzz/jass_checker_fuzzer -seed="$seed" -max_total_time="$seconds" -timeout=20 -max_len=8192 -rss_limit_mb=2048 \
  -artifact_prefix=build-fuzz/findings/ -print_final_stats=1 "$work/scripts"
echo "fuzzing finished without findings"
