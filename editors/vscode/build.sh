#!/usr/bin/env bash
# Builds the VS Code extension's .vsix into OUT and checks its grammar on the
# annotated samples of test/ (vscode-tmgrammar-test). The sources are copied
# into OUT, so that node_modules never lands beside them, and nothing is
# written outside OUT (npm's cache aside). OUT defaults to build/vscode of the
# repository when this folder is the repository's editors/vscode, else to
# build/ here. Needs Node.js 20 and npm (the npm registry).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [[ -f $here/../../CMakeLists.txt && $(basename "$(dirname "$here")") == editors ]]; then
  default_out=$here/../../build/vscode
else
  default_out=$here/build
fi
out=${1:-$default_out}
mkdir -p "$out"
out=$(cd "$out" && pwd)
cp "$here/package.json" "$here/extension.js" "$here/language-configuration.json" "$here/README.md" \
  "$here/LICENSE" "$here/.vscodeignore" "$out/"
rm -rf "$out/syntaxes" "$out/test"
cp -R "$here/syntaxes" "$here/test" "$out/"
cd "$out"
npm install --no-audit --no-fund --loglevel=error
npx --no-install vscode-tmgrammar-test -g syntaxes/jass.tmLanguage.json 'test/*.j'
npx --no-install vsce package --out "$out/zarn-0.3.0.vsix"
# The package must hold the extension, its grammar and its client library.
unzip -Z1 "$out/zarn-0.3.0.vsix" >"$out/contents.txt"
grep -qx "extension/extension.js" "$out/contents.txt"
grep -qx "extension/syntaxes/jass.tmLanguage.json" "$out/contents.txt"
grep -q "^extension/node_modules/vscode-languageclient/" "$out/contents.txt"
echo "built $out/zarn-0.3.0.vsix"
