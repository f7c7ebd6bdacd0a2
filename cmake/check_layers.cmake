# Fails when a source or header of a folder of src/ includes a header of a
# folder that the folder's target does not link, or when the desktop folder,
# shared by the Qt and the Win32 program, includes a toolkit's header. The
# graph comes from the link lines (written by CMakeLists.txt at configure
# time); tests are not checked.
# Usage: cmake -DSOURCE_DIR=<repo>/src -DGRAPH=<build>/layer_graph.cmake -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)
include(${GRAPH})

set(failures "")
foreach(folder ${layer_folders})
  file(GLOB files ${SOURCE_DIR}/${folder}/*.cc ${SOURCE_DIR}/${folder}/*.h)
  list(FILTER files EXCLUDE REGEX "(_test\\.cc|_test_util\\.h)$")
  foreach(file ${files})
    if(folder STREQUAL "desktop")
      file(STRINGS ${file} toolkit REGEX "^#include <(Q[A-Za-z]*|windows\\.h)>")
      foreach(line ${toolkit})
        file(RELATIVE_PATH shown ${SOURCE_DIR} ${file})
        string(APPEND failures "  ${shown} (desktop) includes a toolkit: ${line}\n")
      endforeach()
    endif()
    file(STRINGS ${file} includes REGEX "^#include \"")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([^\"]*)\".*" "\\1" header "${line}")
      # The folder a header lies in, as the graph names it: platform/http
      # for "platform/http/download.h".
      set(target_folder "(no folder)")
      foreach(candidate ${layer_folders})
        if(header MATCHES "^${candidate}/[^/]*$")
          set(target_folder ${candidate})
        endif()
      endforeach()
      if(target_folder STREQUAL "(no folder)" AND header MATCHES "^([^/]+)/")
        set(target_folder ${CMAKE_MATCH_1})
      endif()
      if(NOT target_folder IN_LIST allowed_${folder})
        file(RELATIVE_PATH shown ${SOURCE_DIR} ${file})
        string(APPEND failures "  ${shown} (${folder}) includes \"${header}\" (${target_folder})\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "Includes across the layering:\n${failures}")
endif()
