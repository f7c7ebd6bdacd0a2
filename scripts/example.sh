#!/usr/bin/env bash
# Installs what is missing, builds, makes the example map from
# examples/example.j and runs zarn-cli on it, showing the script before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
map=build/example/example.w3x
mkdir -p build/example
build/zarn-mkmap "$map" examples/example.j
echo "== examples/example.j (extended syntax) =="
cat examples/example.j
echo
echo "== zarn-cli --map $map =="
build/zarn-cli --map "$map"
echo "exit code $?"
echo
echo "== war3map.j now inside $map =="
build/zarn-cat "$map"
