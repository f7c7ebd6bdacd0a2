#!/usr/bin/env bash
# Installs what is missing, checks that every C++ file is formatted
# (scripts/format-check.sh), builds, and runs every test: the suites in a
# Release build (the Neovim client test of the language server among them),
# the VS Code extension's .vsix when Node.js is there (its linux-x64 package
# with the portable zarn-cli of scripts/portable-cli.sh, started by
# scripts/vsix-server-test.sh, and, after the Windows build, its win32-x64
# package with zarn-cli.exe, put into the release zip), the install and package checks (scripts/package-test.sh; with
# CI=true they also install and purge the package), the Windows build with its
# tests under Wine (scripts/windows.sh), the core and console
# suites again under AddressSanitizer and UndefinedBehaviorSanitizer, in the
# clang build of the fuzz targets, then the
# fuzz check (scripts/fuzz.sh): each fuzz target replays its regression corpus
# and makes a fixed number of runs with a fixed seed. Nothing outside the
# repository decides the result; the real-map tests run too when
# ../shared/corpus is there. FUZZ_RUNS sets the runs per target (default 2000).
set -euo pipefail
cd "$(dirname "$0")/.."

# Each stage's time, printed when the command ends (or stops at a failure).
times=()
stage_start=$SECONDS
stage_name="set-up"
stage() {
  times+=("$(printf '%5d s  %s' $((SECONDS - stage_start)) "$stage_name")")
  stage_name=$1
  stage_start=$SECONDS
  echo "== $1 =="
}
print_times() {
  stage "done"
  echo "== time per stage =="
  printf '%s\n' "${times[@]}"
}
trap print_times EXIT

scripts/setup.sh
stage "format"
scripts/format-check.sh
stage "build"
scripts/build.sh
stage "tests"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2 --timeout 900

stage "VS Code extension"
if command -v node >/dev/null && command -v npm >/dev/null; then
  editors/vscode/build.sh build/vscode
else
  echo "skipped: Node.js and npm are not installed (editors/vscode/build.sh needs them)"
fi

stage "VS Code extension for linux-x64"
# The package with the portable zarn-cli (only the C library needed), then
# that program started from the package.
if command -v node >/dev/null && command -v npm >/dev/null; then
  status=0
  ZARN_PORTABLE_OPTIONAL=1 scripts/portable-cli.sh || status=$?
  if [ $status -eq 0 ]; then
    editors/vscode/build.sh build/vscode --server linux-x64 build-portable/portable
    scripts/vsix-server-test.sh build/vscode/zarn-linux-x64-0.3.0.vsix
  elif [ $status -ne 3 ]; then
    exit $status
  fi
else
  echo "skipped: Node.js and npm are not installed (editors/vscode/build.sh needs them)"
fi

stage "install and package"
scripts/package-test.sh

stage "Windows build, its tests under Wine, the same bytes as on Linux"
ZARN_WINDOWS_OPTIONAL=1 scripts/windows.sh

stage "VS Code extension for win32-x64"
# The package with the Windows program and the licences of its release zip,
# built twice to show that the same sources give the same bytes, then put
# into the release zip, which is checked and made again.
stage_dir=$(ls -d build-windows/zip/zarn-*-win64 2>/dev/null | head -n 1 || true)
if command -v node >/dev/null && command -v npm >/dev/null && [ -n "$stage_dir" ]; then
  vsix=$PWD/build/vscode/zarn-win32-x64-0.3.0.vsix
  editors/vscode/build.sh build/vscode --server win32-x64 "$stage_dir"
  cp "$vsix" build/vscode/first-win32-x64.vsix
  editors/vscode/build.sh build/vscode --server win32-x64 "$stage_dir"
  if ! cmp -s "$vsix" build/vscode/first-win32-x64.vsix; then
    echo "test.sh: the win32-x64 package differs when built again" >&2
    exit 1
  fi
  cmake -S . -B build-windows -DZARN_ZIP_VSIX="$vsix" >/dev/null
  cmake --build build-windows --target zarn_zip >/dev/null
  ctest --test-dir build-windows --output-on-failure -R zarn_zip_contents
  zip=$(ls build-windows/zarn-*-win64.zip)
  cp "$zip" build-windows/with-vsix.zip
  rm -f "$zip"
  cmake --build build-windows --target zarn_zip >/dev/null
  if ! cmp -s "$zip" build-windows/with-vsix.zip; then
    echo "test.sh: the release zip with the VS Code package differs when made again" >&2
    exit 1
  fi
else
  echo "skipped: Node.js or the Windows build (build-windows/zip) is not there"
fi

stage "sanitizer build"
# One clang build with AddressSanitizer and UndefinedBehaviorSanitizer holds
# the test program and the fuzz targets (scripts/fuzz-common.sh).
export FUZZ_WITH_TESTS=1
(source scripts/fuzz-common.sh && fuzz_build zarn_tests)
stage "sanitizer tests"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-fuzz --output-on-failure -j2 --timeout 900

stage "fuzz check"
scripts/fuzz.sh
