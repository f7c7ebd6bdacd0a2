# Writes ZARN's licence in Debian's machine-readable copyright format
# (https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/),
# made from the repository's LICENSE so that the two always agree.
#
# cmake -DLICENSE=... -DSOURCE_URL=... -DOUTPUT=... -P debian_copyright.cmake
cmake_minimum_required(VERSION 3.25)

file(STRINGS "${LICENSE}" lines)
set(holder "")
set(body "")
foreach(line IN LISTS lines)
  if(holder STREQUAL "" AND line MATCHES "^Copyright \\(c\\) (.+)$")
    set(holder "${CMAKE_MATCH_1}")
  elseif(NOT holder STREQUAL "")
    # The permission text after the copyright line; an empty line is " .".
    if(line STREQUAL "")
      string(APPEND body " .\n")
    else()
      string(APPEND body " ${line}\n")
    endif()
  endif()
endforeach()
if(holder STREQUAL "")
  message(FATAL_ERROR "debian_copyright.cmake: ${LICENSE} has no \"Copyright (c)\" line")
endif()
string(REGEX REPLACE "^ \\.\n" "" body "${body}")  # the blank line after the copyright line

file(WRITE "${OUTPUT}"
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: ZARN\n"
  "Source: ${SOURCE_URL}\n"
  "\n"
  "Files: *\n"
  "Copyright: ${holder}\n"
  "License: Expat\n"
  "${body}")
