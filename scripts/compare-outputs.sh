#!/usr/bin/env bash
# Runs every corpus script and generated scripts of several shapes
# (zarn-bench --generate) through this build's zarn-cli and through another
# zarn-cli (BASELINE), with and without --words and with the 1.31 API, and
# reports each script whose output, messages or exit code differ.
# Usage: scripts/compare-outputs.sh BASELINE [CLI]
set -uo pipefail
cd "$(dirname "$0")/.."
baseline=${1:?usage: scripts/compare-outputs.sh BASELINE [CLI]}
cli=${2:-build/zarn-cli}
corpus=../shared/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/api"
cp "$corpus/jass/common-1.31.j" "$work/api/common.j"
cp "$corpus/jass/Blizzard-1.31.j" "$work/api/Blizzard.j"
build/zarn-bench --generate "$work/generated"
compared=0 differing=0
for script in "$corpus"/scripts/*.j "$work"/generated/*.j; do
  for words in "" --words; do
    for program in "$baseline" "$cli"; do
      tag=$([ "$program" = "$cli" ] && echo new || echo old)
      "$program" --script "$script" --out "$work/$tag.out" --api "$work/api" $words >"$work/$tag.msg" 2>&1
      echo "exit $?" >>"$work/$tag.msg"
      # The line naming the API a run was checked against is newer than some
      # baselines: it is left out of the comparison.
      sed -i -e "s#$work/$tag.out#OUT#g" -e "/^checked against /d" "$work/$tag.msg"
    done
    compared=$((compared + 1))
    if ! cmp -s "$work/old.out" "$work/new.out" || ! cmp -s "$work/old.msg" "$work/new.msg"; then
      differing=$((differing + 1))
      echo "differs: $(basename "$script") ${words:-(letters)}"
    fi
  done
done
echo "compared $compared runs, $differing differ"
[ "$differing" -eq 0 ]
