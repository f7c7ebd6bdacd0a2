#!/usr/bin/env bash
# Configures and builds ZARN into build/ (Release). Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/compiler-cache.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
ninja -C build
