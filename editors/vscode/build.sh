#!/usr/bin/env bash
# Builds the VS Code extension's .vsix into OUT (default build/vscode/ of the
# repository): the sources are copied there, so that node_modules never
# lands in the tree. Needs Node.js 20 and npm (the npm registry).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../../build/vscode}
mkdir -p "$out"
out=$(cd "$out" && pwd)
cp "$here/package.json" "$here/extension.js" "$here/language-configuration.json" "$here/README.md" \
  "$here/.vscodeignore" "$out/"
cp "$here/../../LICENSE" "$out/LICENSE"
cd "$out"
npm install --no-audit --no-fund --loglevel=error
npx --no-install vsce package --out "$out/zarn-0.3.0.vsix"
# The package must hold the extension and its client library.
unzip -Z1 "$out/zarn-0.3.0.vsix" >"$out/contents.txt"
grep -qx "extension/extension.js" "$out/contents.txt"
grep -q "^extension/node_modules/vscode-languageclient/" "$out/contents.txt"
echo "built $out/zarn-0.3.0.vsix"
