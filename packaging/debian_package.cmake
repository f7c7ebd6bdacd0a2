# The Debian package of what `cmake --install` installs:
# `cpack -G DEB` in the build folder makes zarn_<version>_<architecture>.deb.
set(ZARN_PACKAGE_MAINTAINER "ZARN developers <zarn@zarn.example.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME zarn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_HOMEPAGE_URL ${ZARN_PROJECT_URL})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "preprocessor for the JASS 2 scripts of Warcraft III maps")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "ZARN takes the script out of a Warcraft III map archive, expands an"
  "extended statement syntax (statement lists, new, global, var, free, flush,"
  "repeat/until, mount/unmount, conditional and raw blocks) into plain JASS 2"
  "and puts the result back. zarn is the desktop program, with progress and"
  "errors windows; zarn-cli is the console program.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZARN_PACKAGE_MAINTAINER})
# Dependencies are read from the libraries the programs are linked against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
