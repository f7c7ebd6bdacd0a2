#!/usr/bin/env bash
# Builds the Linux zarn-cli of the VS Code extension's linux-x64 package into
# build-portable/portable/, with the licences of the libraries linked into it:
# StormLib (with its zlib, bzip2 and LibTomCrypt) and PCRE2 built from the
# same sources as the Windows build (cmake/source_deps.cmake), they and the
# C++ runtime linked statically, so that the program needs only the C library.
# Only zarn-cli and what it links are built. Exit code 3: skipped (below).
#
#   scripts/portable-cli.sh    then: editors/vscode/build.sh OUT --server
#                              linux-x64 build-portable/portable
set -euo pipefail
cd "$(dirname "$0")/.."
# ZARN_PORTABLE_OPTIONAL=1 (scripts/test.sh): without the libraries' sources
# nothing is built, with a note instead of a failure.
source scripts/third-party-sources.sh
if ! third_party_sources StormLib-9.22.tar.gz pcre2-10.42.tar.gz; then
  [ "${ZARN_PORTABLE_OPTIONAL:-0}" = 1 ] || exit 1
  echo "portable-cli.sh: the portable zarn-cli is not built on this machine" >&2
  exit 3
fi
source scripts/compiler-cache.sh
build=build-portable
mkdir -p "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DZARN_PORTABLE_CLI=ON -DZARN_TESTS=OFF -DZARN_GUI=OFF >"$build/configure.log" || {
  cat "$build/configure.log" >&2
  exit 1
}
ninja -C "$build" zarn_portable_cli
echo "portable-cli.sh: $build/portable/zarn-cli"
