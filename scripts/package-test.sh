#!/usr/bin/env bash
# Checks what `cmake --install` and `cpack -G DEB` make of build/:
# - the files installed into a temporary prefix, and nothing else;
# - the desktop entry (desktop-file-validate), the map file type (xmllint and
#   update-mime-database), the icons and the man pages;
# - the installed zarn-cli and zarn, run as an unprivileged user on a copy of
#   the example map: the map is processed and the working files go to the
#   user's state folder, since the program's folder is not theirs; the
#   installed zarn-cli --check on the result and on a cut copy of it;
# - the Debian package's contents and control fields (dpkg-deb -c / -I).
# With CI=true it also installs the package with apt-get, runs /usr/bin/zarn-cli
# the same way, purges the package and checks that none of its files are left.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/build.ninja ] || scripts/build.sh
ninja -C build | tail -n 1

fail() { echo "package test: $*" >&2; exit 1; }

# Everything the unprivileged user touches lives here, open to them.
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"

# Runs a command as an unprivileged user: nobody, when this script runs as root.
as_user() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=65534 --regid=65534 --clear-groups -- "$@"
  else
    "$@"
  fi
}

# A fresh copy of the example map and a fresh home folder, writable by the user.
new_map_and_home() {
  local name=$1
  mkdir -m 777 "$work/$name" "$work/$name/home"
  build/zarn-mkmap "$work/$name/example.w3x" examples/example.j >/dev/null
  chmod 666 "$work/$name/example.w3x"
}

# Runs PROGRAM --map as the user on a fresh copy of the example map in NAME,
# then checks that the map now holds the processed script and that the working
# files are in the user's state folder.
run_on_example_map() {
  local program=$1 name=$2 state="$work/$2/home/.local/state/zarn"
  new_map_and_home "$name"
  as_user env -u XDG_STATE_HOME HOME="$work/$name/home" QT_QPA_PLATFORM=offscreen \
    timeout 120 "$program" --map "$work/$name/example.w3x" || fail "$program --map exited with $?"
  [ "$(stat -c %a "$state")" = 700 ] || fail "$state is missing or not private"
  build/zarn-cat "$work/$name/example.w3x" | cmp -s - "$state/war3map_parsed.j" ||
    fail "the map of $program does not hold the processed script"
  ! grep -q '^ *var ' "$state/war3map_parsed.j" || fail "$program left the script unprocessed"
}

expected_files="bin/zarn
bin/zarn-cli
share/applications/zarn.desktop
share/doc/zarn/copyright
share/icons/hicolor/48x48/apps/zarn.png
share/icons/hicolor/scalable/apps/zarn.svg
share/man/man1/zarn-cli.1.gz
share/man/man1/zarn.1.gz
share/mime/packages/zarn.xml"

echo "== install into a temporary prefix =="
prefix="$work/prefix"
cmake --install build --prefix "$prefix" >/dev/null
[ "$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)" = "$expected_files" ] ||
  fail "installed files differ from: $expected_files"
desktop-file-validate "$prefix/share/applications/zarn.desktop"
grep -qx 'Exec=zarn %F' "$prefix/share/applications/zarn.desktop" || fail "desktop entry: Exec"
# The licence in Debian's machine-readable form, the same text as LICENSE.
copyright="$prefix/share/doc/zarn/copyright"
head -n 1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "copyright: not in the machine-readable format"
grep -qx 'Copyright: 2026 the ZARN authors' "$copyright" && grep -qx 'License: Expat' "$copyright" ||
  fail "copyright: no Copyright or License field"
diff <(sed -n '/^Permission/,$p' LICENSE) <(sed -n 's/^ \.$//; s/^ //; /^Permission/,$p' "$copyright") >/dev/null ||
  fail "copyright: the licence text differs from LICENSE"
xmllint --noout "$prefix/share/mime/packages/zarn.xml" "$prefix/share/icons/hicolor/scalable/apps/zarn.svg"
cp -r "$prefix/share/mime" "$work/mime"
XDG_DATA_DIRS="$work" update-mime-database "$work/mime"
type=$(sed -n 's/^MimeType=\(.*\);$/\1/p' "$prefix/share/applications/zarn.desktop")
for glob in '*.w3m' '*.w3x'; do
  grep -qxF "$type:$glob" "$work/mime/globs" || fail "$glob is not a $type"
done
file -b "$prefix/share/icons/hicolor/48x48/apps/zarn.png" | grep -q '^PNG image data, 48 x 48' ||
  fail "the PNG icon is not 48 by 48"
zcat "$prefix/share/man/man1/zarn-cli.1.gz" | grep -q 'XDG_STATE_HOME' || fail "zarn-cli.1 lacks the working folder"
zcat "$prefix/share/man/man1/zarn.1.gz" | grep -q '^\.TH ZARN 1' || fail "zarn.1 is not a man page"

echo "== installed programs, as an unprivileged user =="
chmod 555 "$prefix/bin"  # as an installed program's folder is to its users
run_on_example_map "$prefix/bin/zarn-cli" cli
run_on_example_map "$prefix/bin/zarn" gui
# The check of a plain file: the example's processed script passes, a cut one
# is listed in the compiler style.
cp "$work/cli/home/.local/state/zarn/war3map_parsed.j" "$work/clean.j"
head -n 5 "$work/clean.j" > "$work/cut.j"
chmod 644 "$work/clean.j" "$work/cut.j"
as_user "$prefix/bin/zarn-cli" --check "$work/clean.j" || fail "zarn-cli --check refused the processed example"
if as_user "$prefix/bin/zarn-cli" --check "$work/cut.j" 2>"$work/cut.err"; then fail "zarn-cli --check passed a cut script"; fi
grep -q "^$work/cut.j:[0-9]*:[0-9]*: error: " "$work/cut.err" || fail "zarn-cli --check printed no compiler-style problem"
[ "$(ls -A "$prefix/bin" | tr '\n' ' ')" = "zarn zarn-cli " ] || fail "files were left in $prefix/bin"

echo "== Debian package =="
version=$(build/zarn-cli --version)
deb="zarn_${version}_$(dpkg --print-architecture).deb"
rm -f build/zarn_*.deb
(cd build && cpack -G DEB >/dev/null)
[ -f "build/$deb" ] || fail "cpack made no build/$deb"
[ "$(dpkg-deb -c "build/$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | sort)" = "$expected_files" ] ||
  fail "package files differ from: $expected_files"
info=$(dpkg-deb -I "build/$deb")
url=$(sed -n 's/^ZARN_PROJECT_URL:STRING=//p' build/CMakeCache.txt)
grep -qx " Homepage: $url" <<<"$info" || fail "package: no Homepage $url"
grep -q '^ Description: .\+' <<<"$info" || fail "package: no description"
for lib in libstorm9 libpcre2-8-0 libcurl4 libqt6widgets6; do
  grep -q "^ Depends: .*\b$lib\b" <<<"$info" || fail "package: no dependency on $lib"
done

if [ "${CI:-}" != true ]; then
  echo "== package install skipped (CI is not true) =="
  echo "package test passed"
  exit 0
fi

echo "== apt-get install, run, purge =="
export DEBIAN_FRONTEND=noninteractive
! dpkg -s zarn >/dev/null 2>&1 || apt-get purge -y -qq zarn >/dev/null
cp "build/$deb" "$work/"
chmod 644 "$work/$deb"
apt-get install -y -qq "$work/$deb" >/dev/null
owned=$(dpkg -L zarn)
run_on_example_map /usr/bin/zarn-cli package
apt-get purge -y -qq zarn >/dev/null
! dpkg -s zarn >/dev/null 2>&1 || fail "zarn is still installed"
while IFS= read -r path; do
  # Folders that other packages share, such as /usr/bin, stay; every file of
  # the package goes, and so does every folder that was only its own.
  [ -d "$path" ] || [ ! -e "$path" ] || fail "$path is left after the purge"
  [ ! -d "$path" ] || [ -n "$(ls -A "$path")" ] || dpkg -S "$path" >/dev/null 2>&1 ||
    fail "the empty folder $path is left after the purge"
done <<<"$owned"
echo "package test passed"
