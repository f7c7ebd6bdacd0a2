# StormLib and PCRE2 built from their release sources, static: the Windows build's libraries
# (cmake/windows_deps.cmake) and those of the portable Linux zarn-cli (ZARN_PORTABLE_CLI).
#
# Include this after project(). It defines the functions
#
#   _zarn_dep_pcre2()   zarn_dep::pcre2: PCRE2 10.42, 8-bit code units, static, JIT on; users get
#                       PCRE2_STATIC and still set PCRE2_CODE_UNIT_WIDTH=8 before including pcre2.h
#   _zarn_dep_storm()   zarn_dep::storm (target storm): StormLib 9.22, static, with its bundled
#                       zlib, bzip2 and LibTomCrypt on every system
#
# Sources: the release archives in ZARN_THIRD_PARTY_DIR (checked against the SHA-256 below),
# else the pinned commit from each project's git repository. Everything is unpacked and built
# under ${CMAKE_BINARY_DIR}/_deps; the archive folder is only read. Only the library targets are
# built (EXCLUDE_FROM_ALL), with their warnings silenced.

include_guard(GLOBAL)
# PCRE2 and StormLib's bundled zlib/bzip2/libtomcrypt are C.
enable_language(C)
include(FetchContent)

get_filename_component(_zarn_default_third_party "${CMAKE_SOURCE_DIR}/../shared/third_party" ABSOLUTE)
set(ZARN_THIRD_PARTY_DIR "${_zarn_default_third_party}" CACHE PATH
    "Folder with the release archives of the libraries built from source (read only)")

# Sets out_var to the FetchContent/ExternalProject source arguments of one library: the local
# archive with its hash when it is there, otherwise the pinned git commit.
function(_zarn_dep_source out_var archive sha256 repository commit)
  set(path "${ZARN_THIRD_PARTY_DIR}/${archive}")
  if(EXISTS "${path}")
    message(STATUS "zarn_dep: ${archive} from ${ZARN_THIRD_PARTY_DIR}")
    set(${out_var} URL "${path}" URL_HASH SHA256=${sha256} DOWNLOAD_EXTRACT_TIMESTAMP TRUE
        PARENT_SCOPE)
  else()
    message(STATUS "zarn_dep: ${archive} not in ${ZARN_THIRD_PARTY_DIR}; cloning ${repository} at ${commit}")
    set(${out_var} GIT_REPOSITORY "${repository}" GIT_TAG ${commit} GIT_SHALLOW FALSE
        GIT_PROGRESS FALSE PARENT_SCOPE)
  endif()
endfunction()

# Unpacks a library and adds its CMake project with nothing built by default and its headers
# taken as system headers by users.
macro(_zarn_dep_add_cmake_project name)
  FetchContent_Declare(${name} ${ARGN})
  FetchContent_GetProperties(${name})
  if(NOT ${name}_POPULATED)
    FetchContent_Populate(${name})
    add_subdirectory(${${name}_SOURCE_DIR} ${${name}_BINARY_DIR} EXCLUDE_FROM_ALL SYSTEM)
  endif()
endmacro()

# Options of the third-party projects are plain variables of these functions' scopes: the
# policies below make their option() and set(CACHE) calls take them instead of writing the cache.
macro(_zarn_dep_scope)
  set(CMAKE_POLICY_DEFAULT_CMP0077 NEW)
  set(CMAKE_POLICY_DEFAULT_CMP0126 NEW)
  set(BUILD_SHARED_LIBS OFF)
  set(BUILD_TESTING OFF)
endmacro()

function(_zarn_dep_pcre2)
  _zarn_dep_scope()
  set(BUILD_STATIC_LIBS ON)
  set(PCRE2_BUILD_PCRE2_8 ON)
  set(PCRE2_BUILD_PCRE2_16 OFF)
  set(PCRE2_BUILD_PCRE2_32 OFF)
  set(PCRE2_SUPPORT_JIT ON)
  set(PCRE2_SUPPORT_UNICODE ON)
  set(PCRE2_BUILD_PCRE2GREP OFF)
  set(PCRE2_BUILD_TESTS OFF)
  set(PCRE2_SHOW_REPORT OFF)
  # Looked for only for pcre2grep and pcre2test, which are not built.
  foreach(pkg BZip2 ZLIB Readline Editline)
    set(CMAKE_DISABLE_FIND_PACKAGE_${pkg} TRUE)
  endforeach()
  _zarn_dep_source(src pcre2-10.42.tar.gz
    71deae98e66865c46a80e9dfc325eca37b914ef98e487910541afdecb365cff9
    https://github.com/PCRE2Project/pcre2.git 52c08847921a324c804cabf2814549f50bce1265)
  _zarn_dep_add_cmake_project(zarn_pcre2 ${src})
  target_compile_options(pcre2-8-static PRIVATE -w)
  add_library(zarn_dep::pcre2 ALIAS pcre2-8-static)
endfunction()

function(_zarn_dep_storm)
  _zarn_dep_scope()
  set(STORM_BUILD_TESTS OFF)
  # StormLib's CMake project includes CPack; its files go to the library's own build folder so
  # that the top build folder gets no CPack configuration and no "package" target from it.
  set(CPACK_OUTPUT_CONFIG_FILE "${CMAKE_BINARY_DIR}/_deps/zarn_storm-build/CPackConfig.cmake")
  set(CPACK_SOURCE_OUTPUT_CONFIG_FILE "${CMAKE_BINARY_DIR}/_deps/zarn_storm-build/CPackSourceConfig.cmake")
  _zarn_dep_source(src StormLib-9.22.tar.gz
    f8bbaa382abda7f28c3eee935c7270e4535518274c7733202de01faed8d74ca6
    https://github.com/ladislav-zezula/StormLib.git bd203c036bf6a8a900fb9557f9dfa95b6eb1f46b)
  _zarn_dep_add_cmake_project(zarn_storm ${src})
  target_compile_options(storm PRIVATE -w)
  if(NOT WIN32)
    _zarn_dep_storm_bundled_compression()
  endif()
  add_library(zarn_dep::storm ALIAS storm)
endfunction()

# StormLib's own CMake project compiles its copies of zlib and bzip2 only for Windows and links
# the system's libz and libbz2 elsewhere; its sources include the bundled headers everywhere
# but macOS. The bundled copies are compiled into the library instead, so that a program linked
# with it needs no compression library of the system.
function(_zarn_dep_storm_bundled_compression)
  get_directory_property(files DIRECTORY "${zarn_storm_SOURCE_DIR}" DEFINITION ZLIB_BZIP2_FILES)
  if(NOT files)
    message(FATAL_ERROR "zarn_dep: StormLib's CMakeLists.txt no longer lists ZLIB_BZIP2_FILES")
  endif()
  list(TRANSFORM files PREPEND "${zarn_storm_SOURCE_DIR}/")
  target_sources(storm PRIVATE ${files})
  set_target_properties(storm PROPERTIES LINK_LIBRARIES "" INTERFACE_LINK_LIBRARIES "")
endfunction()
