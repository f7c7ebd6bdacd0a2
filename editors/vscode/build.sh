#!/usr/bin/env bash
# Builds the VS Code extension's .vsix into OUT and checks its grammar on the
# annotated samples of test/ (vscode-tmgrammar-test), with the npm packages of
# package-lock.json and the entries' times fixed, so that the same sources give
# the same .vsix bytes (normalise_vsix.py). The sources are copied
# into OUT, so that node_modules never lands beside them, and nothing is
# written outside OUT (npm's cache aside). OUT defaults to build/vscode of the
# repository when this folder is the repository's editors/vscode, else to
# build/ here. Needs Node.js 20 and npm (the npm registry).
#
#   build.sh [OUT]                           the package without a server
#   build.sh OUT --server TARGET FOLDER      also the package for TARGET
#                                            (win32-x64, linux-x64) with the
#                                            zarn-cli of FOLDER and the
#                                            LICENSE*.txt files beside it
# A linux-x64 program must need only the C library (scripts/portable-cli.sh
# links the rest, the C++ runtime too, into it): one that names other shared
# libraries is refused.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
target="" server_dir=""
if [[ ${2:-} == --server ]]; then
  target=${3:?build.sh: --server needs a target and a folder}
  server_dir=$(cd "${4:?build.sh: --server needs a folder}" && pwd)
fi
if [[ -f $here/../../CMakeLists.txt && $(basename "$(dirname "$here")") == editors ]]; then
  default_out=$here/../../build/vscode
else
  default_out=$here/build
fi
out=${1:-$default_out}
[[ $out == --* ]] && out=$default_out
mkdir -p "$out"
out=$(cd "$out" && pwd)
cp "$here/package.json" "$here/package-lock.json" "$here/extension.js" "$here/language-configuration.json" \
  "$here/README.md" "$here/LICENSE" "$here/.vscodeignore" "$out/"
rm -rf "$out/syntaxes" "$out/test"
cp -R "$here/syntaxes" "$here/test" "$out/"
cd "$out"
rm -rf server  # left by a run that stopped: only the platform packages hold one
# The locked versions: the same sources give the same packages.
npm ci --no-audit --no-fund --loglevel=error
npx --no-install vscode-tmgrammar-test -g syntaxes/jass.tmLanguage.json 'test/*.j'
npx --no-install vsce package --out "$out/zarn-0.3.0.vsix"
python3 "$here/normalise_vsix.py" "$out/zarn-0.3.0.vsix"
# The package must hold the extension, its grammar and its client library.
unzip -Z1 "$out/zarn-0.3.0.vsix" >"$out/contents.txt"
grep -qx "extension/extension.js" "$out/contents.txt"
grep -qx "extension/syntaxes/jass.tmLanguage.json" "$out/contents.txt"
grep -q "^extension/node_modules/vscode-languageclient/" "$out/contents.txt"
echo "built $out/zarn-0.3.0.vsix"
[[ -z $target ]] && exit 0

# The package with the server: the same files and the program in server/.
program=zarn-cli
[[ $target == win32-* ]] && program=zarn-cli.exe
[[ -f $server_dir/$program ]] || { echo "build.sh: $server_dir/$program is missing" >&2; exit 1; }
if [[ $target == linux-* ]]; then
  extra=$(ldd "$server_dir/$program" | awk '{print $1}' |
    grep -Ev '^(linux-vdso|/lib64/ld-linux-x86-64|libc|libm|libpthread|libdl|librt)\.' || true)
  if [[ -n $extra ]]; then
    echo "build.sh: $program needs more than the C library: $extra" >&2
    exit 1
  fi
fi
rm -rf "$out/server"
mkdir -p "$out/server"
cp "$server_dir/$program" "$out/server/"
cp "$server_dir"/LICENSE*.txt "$out/server/" 2>/dev/null || true
npx --no-install vsce package --target "$target" --out "$out/zarn-$target-0.3.0.vsix"
python3 "$here/normalise_vsix.py" "$out/zarn-$target-0.3.0.vsix"
unzip -Z1 "$out/zarn-$target-0.3.0.vsix" >"$out/contents-$target.txt"
grep -qx "extension/server/$program" "$out/contents-$target.txt"
rm -rf "$out/server"
echo "built $out/zarn-$target-0.3.0.vsix"
