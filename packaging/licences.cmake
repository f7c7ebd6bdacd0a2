# Writes the licence texts of the libraries linked into the programs that go
# out as they are (the Windows zip, the VS Code extension's zarn-cli) into
# OUT_DIR, one file per library, taken from the libraries' unpacked sources and
# from Debian's own copyright files of the packages that supply the rest:
#
#   LICENSE.txt               ZARN (the repository's LICENSE)
#   LICENSE-StormLib.txt      StormLib
#   LICENSE-zlib.txt          zlib, bundled with StormLib (the notice of zlib.h)
#   LICENSE-bzip2.txt         bzip2, bundled with StormLib
#   LICENSE-libtomcrypt.txt   LibTomCrypt and LibTomMath, bundled with StormLib
#   LICENSE-PCRE2.txt         PCRE2
#   LICENSE-libsodium.txt     libsodium (with SODIUM_DIR: the Windows programs)
#   LICENSE-winpthreads.txt   MinGW-w64's winpthreads, linked in statically
#                             (with MINGW_COPYRIGHT: the Windows programs)
#
# cmake -DOUT_DIR=... -DZARN_LICENSE=... -DSTORM_DIR=... -DPCRE2_DIR=...
#       -DBZIP2_COPYRIGHT=... [-DSODIUM_DIR=... -DMINGW_COPYRIGHT=...]
#       -P licences.cmake
#
# A missing source stops the build: a package without a licence it owes is not
# made.

cmake_minimum_required(VERSION 3.25)

foreach(var OUT_DIR ZARN_LICENSE STORM_DIR PCRE2_DIR BZIP2_COPYRIGHT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "licences.cmake: ${var} is not set")
  endif()
endforeach()

function(read_source out path)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "licences.cmake: ${path} is missing, so its licence cannot go into the package")
  endif()
  file(READ "${path}" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The first /* ... */ comment of a C file that holds `word`, without the
# comment marks: where the bundled libraries keep their notices.
function(notice_comment out path word)
  read_source(text "${path}")
  set(rest "${text}")
  while(TRUE)
    string(FIND "${rest}" "/*" begin)
    string(FIND "${rest}" "*/" end)
    if(begin EQUAL -1 OR end LESS begin)
      message(FATAL_ERROR "licences.cmake: no comment in ${path} holds \"${word}\"")
    endif()
    math(EXPR begin "${begin} + 2")
    math(EXPR length "${end} - ${begin}")
    string(SUBSTRING "${rest}" ${begin} ${length} comment)
    math(EXPR end "${end} + 2")
    string(SUBSTRING "${rest}" ${end} -1 rest)
    string(FIND "${comment}" "${word}" at)
    if(NOT at EQUAL -1)
      break()
    endif()
  endwhile()
  # Continuation stars at the line starts go; the words stay as written.
  string(REGEX REPLACE "\n[ \t]*\\*[ ]?" "\n" comment "${comment}")
  string(REGEX REPLACE "^[ \t\n]+" "" comment "${comment}")
  string(REGEX REPLACE "[ \t\n]+$" "" comment "${comment}")
  set(${out} "${comment}\n" PARENT_SCOPE)
endfunction()

# Debian's machine-readable copyright files: paragraphs split on blank lines,
# a field's text with its continuation lines undone (" ." is an empty line).
function(copyright_paragraphs out path)
  read_source(text "${path}")
  # Lists split on ";": keep the text's own ones out of the way.
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REGEX REPLACE "\n([ \t]*\n)+" ";" paragraphs "${text}")
  set(${out} "${paragraphs}" PARENT_SCOPE)
endfunction()

function(field_body out paragraph field)
  set(body "")
  set(inside FALSE)
  string(REPLACE "\n" ";" lines "${paragraph}")
  foreach(line IN LISTS lines)
    string(REPLACE "<semicolon>" ";" line "${line}")
    if(line MATCHES "^${field}:[ ]?(.*)$")
      set(inside TRUE)
      set(body "${CMAKE_MATCH_1}\n")
    elseif(inside AND line MATCHES "^[ \t]")
      # One blank of indentation belongs to the format, the rest to the text.
      string(SUBSTRING "${line}" 1 -1 line)
      if(line STREQUAL ".")
        set(line "")
      endif()
      string(APPEND body "${line}\n")
    else()
      set(inside FALSE)
    endif()
  endforeach()
  set(${out} "${body}" PARENT_SCOPE)
endfunction()

# A field's text after its first line. (string(REGEX REPLACE) with "^" would
# take off one line after another.)
function(after_first_line out text)
  string(FIND "${text}" "\n" at)
  math(EXPR at "${at} + 1")
  string(SUBSTRING "${text}" ${at} -1 rest)
  set(${out} "${rest}" PARENT_SCOPE)
endfunction()

# The text of a stand-alone "License: NAME" paragraph.
function(standalone_licence out paragraphs name)
  foreach(p IN LISTS paragraphs)
    if(p MATCHES "^License: ${name}\n")
      field_body(body "${p}" License)
      after_first_line(body "${body}")
      set(${out} "${body}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "licences.cmake: no text for the licence ${name}")
endfunction()

# winpthreads: every paragraph of the library's own files (its tests are not
# linked), each with its licence's full text.
function(winpthreads_notice out)
  copyright_paragraphs(paragraphs "${MINGW_COPYRIGHT}")
  set(notice "MinGW-w64 winpthreads, linked into ZARN.exe and zarn-cli.exe.\n"
             "From Debian's copyright file of the MinGW-w64 packages.\n")
  string(JOIN "" notice ${notice})
  set(found FALSE)
  foreach(p IN LISTS paragraphs)
    if(NOT p MATCHES "^Files:[^\n]*mingw-w64-libraries/winpthreads/" OR p MATCHES "tests_pthread")
      continue()
    endif()
    set(found TRUE)
    field_body(files "${p}" Files)
    field_body(copyright "${p}" Copyright)
    field_body(licence "${p}" License)
    string(REGEX MATCH "^[^\n]*" name "${licence}")
    after_first_line(text "${licence}")
    if(text STREQUAL "")
      standalone_licence(text "${paragraphs}" "${name}")
    endif()
    string(APPEND notice "\n----------------------------------------------------------------------\n"
           "Files: ${files}Copyright: ${copyright}License: ${name}\n\n${text}")
  endforeach()
  if(NOT found)
    message(FATAL_ERROR "licences.cmake: ${MINGW_COPYRIGHT} names no winpthreads files")
  endif()
  set(${out} "${notice}" PARENT_SCOPE)
endfunction()

# bzip2: StormLib keeps the copyright line in its headers but not the licence
# file they point to; the licence's words come from Debian's bzip2 package.
function(bzip2_notice out)
  notice_comment(header "${STORM_DIR}/src/bzip2/bzlib.h" Copyright)
  string(REGEX MATCH "bzip2/libbzip2 version [^\n]*" version "${header}")
  string(REGEX MATCH "Copyright \\(C\\) [^\n]*" holder "${header}")
  if(version STREQUAL "" OR holder STREQUAL "")
    message(FATAL_ERROR "licences.cmake: no version or copyright line in bzlib.h")
  endif()
  copyright_paragraphs(paragraphs "${BZIP2_COPYRIGHT}")
  foreach(p IN LISTS paragraphs)
    if(p MATCHES "^Files: \\*\n")
      field_body(licence "${p}" License)
      after_first_line(text "${licence}")
    endif()
  endforeach()
  if(NOT DEFINED text OR text STREQUAL "")
    message(FATAL_ERROR "licences.cmake: no licence text in ${BZIP2_COPYRIGHT}")
  endif()
  set(${out} "${version}, bundled with StormLib.\n${holder}\n\n${text}" PARENT_SCOPE)
endfunction()

read_source(zarn "${ZARN_LICENSE}")
read_source(storm "${STORM_DIR}/LICENSE")
read_source(pcre2 "${PCRE2_DIR}/LICENCE")
notice_comment(zlib "${STORM_DIR}/src/zlib/zlib.h" Copyright)
notice_comment(tomcrypt "${STORM_DIR}/src/libtomcrypt/src/misc/zeromem.c" LibTomCrypt)
notice_comment(tommath "${STORM_DIR}/src/libtommath/bn_mp_add.c" LibTomMath)
bzip2_notice(bzip2)

file(MAKE_DIRECTORY "${OUT_DIR}")
file(WRITE "${OUT_DIR}/LICENSE.txt" "${zarn}")
file(WRITE "${OUT_DIR}/LICENSE-StormLib.txt" "${storm}")
file(WRITE "${OUT_DIR}/LICENSE-zlib.txt" "zlib, bundled with StormLib.\n\n${zlib}")
file(WRITE "${OUT_DIR}/LICENSE-bzip2.txt" "${bzip2}")
file(WRITE "${OUT_DIR}/LICENSE-libtomcrypt.txt"
     "LibTomCrypt and LibTomMath, bundled with StormLib.\n\n${tomcrypt}\n${tommath}")
file(WRITE "${OUT_DIR}/LICENSE-PCRE2.txt" "${pcre2}")
if(DEFINED SODIUM_DIR)
  read_source(sodium "${SODIUM_DIR}/LICENSE")
  file(WRITE "${OUT_DIR}/LICENSE-libsodium.txt" "${sodium}")
endif()
if(DEFINED MINGW_COPYRIGHT)
  winpthreads_notice(winpthreads)
  file(WRITE "${OUT_DIR}/LICENSE-winpthreads.txt" "${winpthreads}")
endif()
