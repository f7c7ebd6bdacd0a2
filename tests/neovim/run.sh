#!/usr/bin/env bash
# Runs the Neovim client test against a built zarn-cli: tests/neovim/run.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
export ZARN_CLI="$build/zarn-cli"
# No user configuration, no shada, no swap files.
exec nvim --headless -u NONE -i NONE -n -c "luafile $here/lsp_test.lua"
