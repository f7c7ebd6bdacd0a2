#!/usr/bin/env bash
# Names every C++ file of the repository that clang-format would change
# (style in .clang-format) and exits 1 when there is one. Only files git
# tracks are read: build folders, fetched libraries and generated sources are
# not. To format them: scripts/format-check.sh --fix
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$format" ]; then
  echo "format-check: clang-format-14 is not installed (scripts/setup.sh installs it)" >&2
  exit 2
fi
fix=0
[ "${1:-}" = "--fix" ] && fix=1
unformatted=0
while IFS= read -r -d '' file; do
  if ! "$format" --style=file "$file" | cmp -s "$file" -; then
    if [ "$fix" = 1 ]; then
      "$format" --style=file -i "$file"
      echo "formatted $file"
    else
      echo "$file"
      unformatted=1
    fi
  fi
done < <(git ls-files -z -- '*.cc' '*.h')
if [ "$unformatted" = 1 ]; then
  echo "format-check: the files above need formatting (scripts/format-check.sh --fix)" >&2
  exit 1
fi
