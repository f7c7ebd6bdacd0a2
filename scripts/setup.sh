#!/usr/bin/env bash
# Installs the Debian packages ZARN needs to build and test. Safe to run again:
# apt-get is only called when a package is missing.
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config ccache
  libpcre2-dev libstorm-dev zlib1g-dev
  qt6-base-dev libcurl4-openssl-dev libsodium-dev
  libgtest-dev python3 nlohmann-json3-dev neovim
  clang libclang-rt-14-dev clang-format-14
  help2man dpkg-dev desktop-file-utils libxml2-utils shared-mime-info file
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
