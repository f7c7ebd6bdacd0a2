#!/usr/bin/env bash
# Compares the Windows console program under Wine with the Linux one: the same
# output bytes and exit code for the example, generated scripts and, when
# ../shared is beside the clone, every corpus script; the same script in
# every corpus map after a --map run. Needs build/ and build-windows/ built;
# run by scripts/windows.sh with its Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
linux=build/zarn-cli
windows=build-windows/zarn-cli.exe
work=build-windows/conformance
rm -rf "$work" && mkdir -p "$work/linux" "$work/windows" "$work/scripts"

build/zarn-generate 256 1 "$work/scripts/generated-256k-1.j"
build/zarn-generate 1024 2 "$work/scripts/generated-1m-2.j"
build/zarn-generate 4096 3 "$work/scripts/generated-4m-3.j"
scripts=(examples/*.j "$work"/scripts/*.j)
if [ -d ../shared/corpus/scripts ]; then
  scripts+=(../shared/corpus/scripts/*.j)
fi

differ=0
for script in "${scripts[@]}"; do
  name=$(basename "$script")
  set +e
  "$linux" --script "$script" --out "$work/linux/$name" 2>/dev/null
  linux_code=$?
  wine "$windows" --script "$script" --out "$work/windows/$name" 2>/dev/null
  windows_code=$?
  set -e
  if [ "$linux_code" != "$windows_code" ] || ! cmp -s "$work/linux/$name" "$work/windows/$name"; then
    echo "DIFFERENT: $name (exit codes $linux_code and $windows_code)"
    differ=1
  fi
done
echo "scripts compared: ${#scripts[@]}"

maps=0
if [ -d ../shared/corpus/maps ]; then
  while IFS= read -r -d '' map; do
    name=$(basename "$map")
    for side in linux windows; do
      mkdir -p "$work/$side/maps"
      cp "$map" "$work/$side/maps/$name"
      chmod u+w "$work/$side/maps/$name"
    done
    set +e
    "$linux" --map "$work/linux/maps/$name" --delete >/dev/null 2>&1
    linux_code=$?
    wine "$windows" --map "$work/windows/maps/$name" --delete >/dev/null 2>&1
    windows_code=$?
    set -e
    build/zarn-cat "$work/linux/maps/$name" >"$work/linux/maps/$name.j" 2>/dev/null || true
    build/zarn-cat "$work/windows/maps/$name" >"$work/windows/maps/$name.j" 2>/dev/null || true
    if [ "$linux_code" != "$windows_code" ] || ! cmp -s "$work/linux/maps/$name.j" "$work/windows/maps/$name.j"; then
      echo "DIFFERENT: map $name (exit codes $linux_code and $windows_code)"
      differ=1
    fi
    maps=$((maps + 1))
  done < <(find ../shared/corpus/maps -type f \( -name '*.w3x' -o -name '*.w3m' \) -print0)
fi
echo "maps compared: $maps"

# A project whose code is kept in files: a map saved as a folder imports
# them (one with a non-ASCII name, one with LF line ends), and so does a
# plain script. Both programs must give the same bytes.
for side in linux windows; do
  project="$work/$side/project"
  mkdir -p "$project/Project.w3x" "$project/src/units"
  tr -d '\r' <examples/example.j >"$project/src/example.j"
  printf 'function Units takes nothing returns nothing\r\n    //!import "../example.j"\r\nendfunction\r\n' \
    >"$project/src/units/größe é.j"
  printf '//!import "src/example.j"\r\n//!import "src/units/größe é.j"\r\n' >"$project/Project.w3x/war3map.j"
  printf 'keep\0me' >"$project/Project.w3x/war3map.w3e"
  cp "$project/Project.w3x/war3map.j" "$project/main.j"
done
set +e
"$linux" --map "$work/linux/project/Project.w3x" --delete >/dev/null 2>&1
linux_code=$?
wine "$windows" --map "$work/windows/project/Project.w3x" --delete >/dev/null 2>&1
windows_code=$?
"$linux" --script "$work/linux/project/main.j" --out "$work/linux/project/main.out.j" 2>/dev/null
linux_script_code=$?
wine "$windows" --script "$work/windows/project/main.j" --out "$work/windows/project/main.out.j" 2>/dev/null
windows_script_code=$?
set -e
if [ "$linux_code" != "$windows_code" ] || [ "$linux_script_code" != "$windows_script_code" ] ||
  ! diff -r "$work/linux/project" "$work/windows/project" >/dev/null; then
  echo "DIFFERENT: the folder map or the script with imports (exit codes $linux_code, $windows_code;" \
    "$linux_script_code, $windows_script_code)"
  differ=1
fi
if cmp -s "$work/linux/project/Project.w3x/war3map.j" "$work/linux/project/main.j"; then
  echo "DIFFERENT: the folder map's script was not translated"
  differ=1
fi
echo "folder map and imports compared"
if [ "$differ" -ne 0 ]; then
  echo "the Windows and Linux programs differ" >&2
  exit 1
fi
echo "Windows and Linux programs agree"
