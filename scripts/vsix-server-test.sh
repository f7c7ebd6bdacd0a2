#!/usr/bin/env bash
# Starts the program of a linux-x64 VS Code package as a user's machine would
# see it: unpacked from the .vsix, checked to need no shared library but the C
# library's (its ldd list), then run: --version, a --script run, a language
# server session, and, with build/zarn-mkmap there, a --map run on a small map
# (StormLib with its bundled compression). With build/zarn-cli there the
# packaged program's output must be the same bytes as the regular build's.
#
#   scripts/vsix-server-test.sh VSIX
set -euo pipefail
vsix=$(realpath "${1:?usage: vsix-server-test.sh VSIX}")
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "vsix-server-test.sh: $*" >&2; exit 1; }

unzip -q "$vsix" 'extension/server/*' -d "$work"
program=$work/extension/server/zarn-cli
[[ -f $program ]] || fail "$vsix holds no extension/server/zarn-cli"
chmod +x "$program"  # as the extension does on its first start
for licence in LICENSE LICENSE-StormLib LICENSE-zlib LICENSE-bzip2 LICENSE-libtomcrypt LICENSE-PCRE2; do
  [[ -s $work/extension/server/$licence.txt ]] || fail "$vsix lacks server/$licence.txt"
done

# Only the C library's own objects (libc, libm, libpthread, libdl, librt, the
# loader and the kernel's vDSO): no StormLib, PCRE2, zlib, bzip2, LibTomCrypt,
# GMP, nor the C++ runtime.
ldd "$program" >"$work/ldd.txt" || fail "ldd refuses $program"
extra=$(awk '{print $1}' "$work/ldd.txt" |
  grep -Ev '^(linux-vdso\.so|/lib64/ld-linux-x86-64\.so|(libc|libm|libpthread|libdl|librt)\.so)\.' || true)
[[ -z $extra ]] || fail "the packaged zarn-cli needs more than the C library: $extra"

"$program" --version >"$work/version.txt" || fail "--version failed"
grep -q '[0-9]' "$work/version.txt" || fail "--version printed no version"

cat >"$work/sample.j" <<'JASS'
globals
    unit udg_Hero = null
endglobals
function Cleanup takes nothing returns nothing
    local location spot = GetUnitLoc(udg_Hero)
    flush spot
endfunction
JASS
"$program" --script "$work/sample.j" --out "$work/packaged.j" --no-check ||
  fail "the --script run failed"
grep -q 'set spot = null' "$work/packaged.j" || fail "the --script run did not translate: $(cat "$work/packaged.j")"
if [[ -x build/zarn-cli ]]; then
  build/zarn-cli --script "$work/sample.j" --out "$work/regular.j" --no-check
  cmp "$work/packaged.j" "$work/regular.j" || fail "--script output differs from build/zarn-cli's"
fi

# A language server session as the extension starts it: initialize, shutdown,
# exit, each framed with its Content-Length.
frame() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
{
  frame '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"processId":null,"rootUri":null,"capabilities":{}}}'
  frame '{"jsonrpc":"2.0","method":"initialized","params":{}}'
  frame '{"jsonrpc":"2.0","id":2,"method":"shutdown"}'
  frame '{"jsonrpc":"2.0","method":"exit"}'
} | "$program" --lsp >"$work/lsp.txt" || fail "the language server did not end with exit code 0"
grep -q '"capabilities"' "$work/lsp.txt" || fail "the language server did not answer initialize"

# A map: read, translated and written back with StormLib, then read again.
if [[ -x build/zarn-mkmap ]]; then
  build/zarn-mkmap "$work/sample.w3x" "$work/sample.j" >/dev/null
  "$program" --map "$work/sample.w3x" --no-check >/dev/null || fail "the --map run failed"
  rm -f "$work/extension/server/war3map.j"
  # Another run takes the translated script out of the map into the working folder.
  "$program" --map "$work/sample.w3x" --no-check >/dev/null || fail "the second --map run failed"
  cmp "$work/extension/server/war3map.j" "$work/packaged.j" ||
    fail "the map does not hold the translated script"
fi
echo "vsix-server-test.sh: the packaged zarn-cli needs only the C library and runs"
