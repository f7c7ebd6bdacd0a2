# Sourced by the scripts that build libraries from source (scripts/windows.sh,
# scripts/portable-cli.sh; from the repository's top folder).
#
#   third_party_sources ARCHIVE...
#
# Succeeds when the release archives are all in ZARN_THIRD_PARTY_DIR (default
# ../shared/third_party), or else when the libraries' repositories can be
# reached to clone them (cmake/source_deps.cmake takes one or the other).
third_party_sources() {
  local dir=${ZARN_THIRD_PARTY_DIR:-../shared/third_party} archive
  for archive in "$@"; do
    if [ ! -f "$dir/$archive" ]; then
      timeout 30 git ls-remote https://github.com/PCRE2Project/pcre2.git HEAD >/dev/null 2>&1 && return 0
      echo "the sources of $* are neither in $dir nor reachable" >&2
      return 1
    fi
  done
}
