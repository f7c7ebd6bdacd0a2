# Third-party libraries of the native build, from Debian's packages, under the
# names every layer links: zarn_dep::pcre2, zarn_dep::storm, zarn_dep::sodium,
# zarn_dep::curl. With ZARN_PORTABLE_CLI, StormLib and PCRE2 are built from
# source instead (cmake/source_deps.cmake), for a zarn-cli that needs only the
# C runtime.
find_package(PkgConfig REQUIRED)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
add_library(zarn_dep::curl ALIAS PkgConfig::CURL)
add_library(zarn_dep::sodium ALIAS PkgConfig::SODIUM)

if(ZARN_PORTABLE_CLI)
  # StormLib and PCRE2 from the same sources as the Windows build, static.
  include(${CMAKE_CURRENT_LIST_DIR}/source_deps.cmake)
  _zarn_dep_pcre2()
  _zarn_dep_storm()
else()
  pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-8)
  find_library(STORM_LIBRARY NAMES storm REQUIRED)
  find_path(STORM_INCLUDE_DIR StormLib.h REQUIRED)
  add_library(zarn_dep::pcre2 ALIAS PkgConfig::PCRE2)
  add_library(zarn_dep_storm INTERFACE)
  target_include_directories(zarn_dep_storm SYSTEM INTERFACE ${STORM_INCLUDE_DIR})
  target_link_libraries(zarn_dep_storm INTERFACE ${STORM_LIBRARY})
  add_library(zarn_dep::storm ALIAS zarn_dep_storm)
endif()

# nlohmann-json, header-only (Debian's nlohmann-json3-dev): the language
# server's JSON.
find_package(nlohmann_json 3.11 REQUIRED)
add_library(zarn_dep_json INTERFACE)
target_link_libraries(zarn_dep_json INTERFACE nlohmann_json::nlohmann_json)
add_library(zarn_dep::json ALIAS zarn_dep_json)
