# Third-party libraries of the Windows build, compiled here with the MinGW-w64 cross compiler.
#
# Include this after project() when cross compiling for Windows. It defines:
#
#   zarn_dep::pcre2   PCRE2 10.42, 8-bit code units, static, JIT on; users get PCRE2_STATIC and
#                     still set PCRE2_CODE_UNIT_WIDTH=8 before including pcre2.h
#   zarn_dep::storm   StormLib 9.22, static; built with UNICODE and _UNICODE, so TCHAR is wchar_t
#                     and archive paths are UTF-16 (users get both defines with the target)
#   zarn_dep::sodium  libsodium 1.0.18, static (./configure --host), users get SODIUM_STATIC
#   GTest::gtest, GTest::gtest_main   GoogleTest from ZARN_GOOGLETEST_DIR (Debian's googletest)
#
# Sources: the release archives in ZARN_THIRD_PARTY_DIR (checked against the SHA-256 below),
# else the pinned commit from each project's git repository. Everything is unpacked and built
# under ${CMAKE_BINARY_DIR}/_deps; the archive folder is only read. Only the library targets are
# built (EXCLUDE_FROM_ALL), with their warnings silenced.

include_guard(GLOBAL)
# libsodium is C.
enable_language(C)
include(ExternalProject)
include(ProcessorCount)

include(${CMAKE_CURRENT_LIST_DIR}/source_deps.cmake)
set(ZARN_GOOGLETEST_DIR "/usr/src/googletest" CACHE PATH
    "GoogleTest source tree (Debian package googletest)")

function(_zarn_dep_sodium)
  _zarn_dep_source(src libsodium-1.0.18.tar.gz
    a9fa76ed39ba21fcea7ce936e436ba005e45c3bc52163f258a682a6c7aaf370f
    https://github.com/jedisct1/libsodium.git 940ef42797baa0278df6b7fd9e67c7590f87744b)
  find_program(ZARN_MAKE_PROGRAM NAMES make gmake REQUIRED)
  ProcessorCount(jobs)
  if(jobs EQUAL 0)
    set(jobs 1)
  endif()
  set(prefix "${CMAKE_BINARY_DIR}/_deps/zarn_sodium")
  set(install_dir "${prefix}/install")
  # The release archive ships configure; a git checkout makes it with autogen.sh (autotools).
  set(make_configure)
  if(src MATCHES "^GIT_REPOSITORY")
    set(make_configure PATCH_COMMAND ./autogen.sh -s)
  endif()
  ExternalProject_Add(zarn_sodium_build
    ${src}
    PREFIX "${prefix}"
    INSTALL_DIR "${install_dir}"
    BUILD_IN_SOURCE TRUE
    ${make_configure}
    CONFIGURE_COMMAND ./configure
      --host=x86_64-w64-mingw32 --prefix=<INSTALL_DIR>
      --disable-shared --enable-static --disable-dependency-tracking
      # Signatures, their keys and hex are all the update needs; the minimal
      # library has them and compiles in about a fifth less time.
      --enable-minimal
      "CC=${CMAKE_C_COMPILER}" "CFLAGS=-O2"
    BUILD_COMMAND ${ZARN_MAKE_PROGRAM} -j${jobs}
    INSTALL_COMMAND ${ZARN_MAKE_PROGRAM} install
    BUILD_BYPRODUCTS "${install_dir}/lib/libsodium.a"
    LOG_CONFIGURE TRUE LOG_BUILD TRUE LOG_INSTALL TRUE LOG_OUTPUT_ON_FAILURE TRUE
    EXCLUDE_FROM_ALL TRUE)
  # An imported target's include folder has to exist when the build files are generated.
  file(MAKE_DIRECTORY "${install_dir}/include")
  add_library(zarn_dep_sodium STATIC IMPORTED GLOBAL)
  set_target_properties(zarn_dep_sodium PROPERTIES
    IMPORTED_LOCATION "${install_dir}/lib/libsodium.a"
    INTERFACE_INCLUDE_DIRECTORIES "${install_dir}/include"
    INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC
    # randombytes uses RtlGenRandom (SystemFunction036) from advapi32.
    INTERFACE_LINK_LIBRARIES advapi32)
  add_dependencies(zarn_dep_sodium zarn_sodium_build)
  add_library(zarn_dep::sodium ALIAS zarn_dep_sodium)
endfunction()

function(_zarn_dep_googletest)
  _zarn_dep_scope()
  set(BUILD_GMOCK OFF)
  set(INSTALL_GTEST OFF)
  set(gtest_build_tests OFF)
  set(gtest_build_samples OFF)
  if(NOT EXISTS "${ZARN_GOOGLETEST_DIR}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest sources not found in ${ZARN_GOOGLETEST_DIR} "
                        "(Debian: apt-get install googletest), or set ZARN_GOOGLETEST_DIR")
  endif()
  add_subdirectory("${ZARN_GOOGLETEST_DIR}" "${CMAKE_BINARY_DIR}/_deps/googletest-build"
                   EXCLUDE_FROM_ALL SYSTEM)
  foreach(lib gtest gtest_main)
    target_compile_options(${lib} PRIVATE -w)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
endfunction()

_zarn_dep_pcre2()
_zarn_dep_storm()
# Wide-character build: TCHAR is wchar_t, the archive and local file names of SFileOpenArchive,
# SFileCreateArchive, SFileAddFileEx, SFileExtractFile, ... are UTF-16 and reach CreateFileW.
# The defines are public so that every user sees the same TCHAR as the library.
target_compile_definitions(storm PUBLIC UNICODE _UNICODE)
_zarn_dep_sodium()
if(NOT DEFINED ZARN_TESTS OR ZARN_TESTS)
  _zarn_dep_googletest()
endif()

# nlohmann-json, header-only: the same version as the Linux build's (Debian's
# nlohmann-json3-dev). Its folder is copied into the build at configure time
# and only that copy is put on the cross compiler's include path, never the
# host's /usr/include.
set(ZARN_JSON_HEADERS "/usr/include/nlohmann" CACHE PATH "The nlohmann folder of nlohmann-json's headers")
if(NOT EXISTS "${ZARN_JSON_HEADERS}/json.hpp")
  message(FATAL_ERROR "nlohmann-json not found in ${ZARN_JSON_HEADERS} (install nlohmann-json3-dev)")
endif()
set(_zarn_json_include "${CMAKE_BINARY_DIR}/_deps/json-include")
file(REMOVE_RECURSE "${_zarn_json_include}")
file(COPY "${ZARN_JSON_HEADERS}" DESTINATION "${_zarn_json_include}")
add_library(zarn_dep_json INTERFACE)
target_include_directories(zarn_dep_json SYSTEM INTERFACE "${_zarn_json_include}")
add_library(zarn_dep::json ALIAS zarn_dep_json)
