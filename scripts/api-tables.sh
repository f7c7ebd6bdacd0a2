#!/usr/bin/env bash
# Writes the built-in API tables of data/api/ from the game's common.j and
# Blizzard.j (default folder: ../shared/corpus/jass, names as there) with
# zarn-apitable, then prints each source file's SHA-256 for data/README.md.
# Usage: scripts/api-tables.sh [JASS_FOLDER] (after building zarn-apitable).
set -euo pipefail
cd "$(dirname "$0")/.."
jass=${1:-../shared/corpus/jass}
tool=build/zarn-apitable
# patch, common.j, the Blizzard.j that goes with it
pairs=(
  "1.24 common-1.24.j Blizzard-1.24.j"
  "1.29 common-1.29.j Blizzard-1.30.j"
  "1.30 common-1.30.j Blizzard-1.30.j"
  "1.31 common-1.31.j Blizzard-1.31.j"
  "1.32 common-1.32.9.j Blizzard-1.31.j"
  "1.33 common-1.33.0.j Blizzard-2.0.2.j"
  "2.0 common-2.0.2.j Blizzard-2.0.2.j"
)
for pair in "${pairs[@]}"; do
  read -r patch common blizzard <<<"$pair"
  "$tool" "$patch (from $common and $blizzard)" "$jass/$common" "$jass/$blizzard" "data/api/$patch.txt"
done
(cd "$jass" && sha256sum common-*.j Blizzard-*.j)
