#!/usr/bin/env bash
# Cross-builds the Windows programs with MinGW-w64 into build-windows/ and runs the test suites
# under Wine. Installs the Debian packages it needs first; apt-get is only called when one is
# missing. Works without a display and without standard input.
#
#   scripts/windows.sh            configure, build, test (and compare with the
#                                 Linux programs when build/ holds them)
#   JOBS=4 scripts/windows.sh     more parallel compile jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build make
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
  wine wine64
  googletest nlohmann-json3-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" </dev/null
fi

# The libraries' sources: the release archives beside the clone, or their
# repositories. With neither (a machine without ../shared and without network)
# nothing can be built; ZARN_WINDOWS_OPTIONAL=1 (scripts/test.sh) then skips
# the Windows part with a note instead of failing.
source scripts/third-party-sources.sh
if ! third_party_sources StormLib-9.22.tar.gz pcre2-10.42.tar.gz libsodium-1.0.18.tar.gz; then
  if [ "${ZARN_WINDOWS_OPTIONAL:-0}" = 1 ]; then
    echo "windows.sh: the Windows build and its tests are skipped on this machine" >&2
    exit 0
  fi
  exit 1
fi

build=build-windows
mkdir -p "$build"

# A Wine prefix of the build's own; -all also keeps Debian's "wine32 is missing" hint quiet.
export WINEPREFIX="$PWD/$build/wineprefix"
export WINEDEBUG=-all

# One wineserver and one set of Wine services for the whole run, started here with their output
# on a log file. Started by the first test program instead, they would inherit that test's output
# pipe and keep it open, so ctest and the build's own Wine steps (the icon) would wait for them to
# exit, about 3 s per start. wineserver -k at the end stops them all.
# wineserver needs the prefix folder to exist; wineboot -i then fills it.
boot=(wineboot)
[ -f "$WINEPREFIX/system.reg" ] || boot=(wineboot -i)
mkdir -p "$WINEPREFIX"
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT
wineserver -p </dev/null >/dev/null 2>&1 || true  # one may run already
# A new prefix takes about 10 s to create. Mono and Gecko are not wanted: with mscoree and
# mshtml disabled wineboot does not offer to download them.
WINEDLLOVERRIDES="mscoree,mshtml=" timeout 600 "${boot[@]}" </dev/null >"$build/wineboot.log" 2>&1 || {
  cat "$build/wineboot.log" >&2
  echo "windows.sh: wineboot failed" >&2
  exit 1
}

# The window tests create windows in-process; Wine's null graphics driver lets them exist without
# an X display. The driver is chosen when the prefix's services start, so they are restarted.
if ! grep -q '"Graphics"="null"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >>"$build/wineboot.log" 2>&1
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1
  timeout 600 wineboot </dev/null >>"$build/wineboot.log" 2>&1
fi

source scripts/compiler-cache.sh
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release -DZARN_ZIP_VSIX=
cmake --build "$build" --parallel "${JOBS:-2}"
ctest --test-dir "$build" --output-on-failure -j2 --timeout 900 </dev/null

# The same sources give the same zip: the programs are linked again and the zip
# made again, and the bytes must not change.
zip=$(ls "$build"/zarn-*-win64.zip)
cp "$zip" "$build/first-build.zip"
rm -f "$build/ZARN.exe" "$build/zarn-cli.exe"
cmake --build "$build" --target zarn_zip >/dev/null
if ! cmp -s "$zip" "$build/first-build.zip"; then
  echo "windows.sh: the release zip differs after linking and zipping again" >&2
  exit 1
fi
rm -f "$build/first-build.zip"
echo "windows.sh: release zip $zip (the same bytes when made again)"

# With the Linux programs built beside (scripts/test.sh builds them first):
# the same bytes from both systems' programs.
if [ -x build/zarn-cli ] && [ -x build/zarn-generate ]; then
  scripts/windows-conformance.sh
fi
