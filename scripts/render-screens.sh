#!/usr/bin/env bash
# Renders the progress, errors (marker entries, and JASS 2 check entries in
# errors-check.png) and About windows offscreen to PNG files.
# Usage: scripts/render-screens.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
out="${2:-$build/screens}"
if [ ! -x "$build/zarn-screens" ]; then
  cmake --build "$build" --target zarn-screens
fi
QT_QPA_PLATFORM=offscreen "$build/zarn-screens" "$out"

# The Windows program's windows, when the cross build has them: shown under Wine on a virtual X
# display. The build's own prefix uses Wine's null graphics driver (for the window tests), so the
# screens get a prefix of their own that draws through X.
windows_build="$root/build-windows"
if [ -f "$windows_build/zarn-win-screens.exe" ]; then
  if ! command -v xvfb-run >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq xvfb xauth </dev/null
  fi
  export WINEPREFIX="$windows_build/wineprefix-screens" WINEDEBUG=-all
  mkdir -p "$WINEPREFIX" "$out"
  # The prefix is made or brought up to date first, and its first start is
  # over (wineserver -w) before the renderer starts: on a new prefix, windows
  # shown while Wine still sets up its desktop never reach the screen.
  WINEDLLOVERRIDES="mscoree,mshtml=" xvfb-run -a -s "-screen 0 1280x1024x24" \
    sh -c 'wineboot -i >/dev/null 2>&1; wineserver -w; wine "$1" "$2"; status=$?; wineserver -k; exit $status' sh \
    "$windows_build/zarn-win-screens.exe" "$(winepath -w "$out" 2>/dev/null || echo "$out")" </dev/null
fi
