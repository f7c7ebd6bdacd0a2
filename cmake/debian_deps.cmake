# Third-party libraries of the native build, from Debian's packages, under the
# names every layer links: zarn_dep::pcre2, zarn_dep::storm, zarn_dep::sodium,
# zarn_dep::curl.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-8)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
find_library(STORM_LIBRARY NAMES storm REQUIRED)
find_path(STORM_INCLUDE_DIR StormLib.h REQUIRED)

add_library(zarn_dep::pcre2 ALIAS PkgConfig::PCRE2)
add_library(zarn_dep::curl ALIAS PkgConfig::CURL)
add_library(zarn_dep::sodium ALIAS PkgConfig::SODIUM)
add_library(zarn_dep_storm INTERFACE)
target_include_directories(zarn_dep_storm SYSTEM INTERFACE ${STORM_INCLUDE_DIR})
target_link_libraries(zarn_dep_storm INTERFACE ${STORM_LIBRARY})
add_library(zarn_dep::storm ALIAS zarn_dep_storm)

# nlohmann-json, header-only (Debian's nlohmann-json3-dev): the language
# server's JSON.
find_package(nlohmann_json 3.11 REQUIRED)
add_library(zarn_dep_json INTERFACE)
target_link_libraries(zarn_dep_json INTERFACE nlohmann_json::nlohmann_json)
add_library(zarn_dep::json ALIAS zarn_dep_json)
