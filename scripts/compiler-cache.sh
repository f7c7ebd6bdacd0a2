# Sourced by the build scripts (from the repository's top folder): when ccache
# is installed, every compile goes through it, so that a second build of the
# same sources, in this clone or in another one on the same machine, takes
# its objects from the cache. Paths are taken relative to the clone, and the
# precompiled headers of the test programs are cached too.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
  export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}"
fi
