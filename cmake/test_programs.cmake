# How a test program is compiled. The code under test lives in the layers'
# libraries and keeps the build's optimisation; the tests' own sources are
# mostly assertions, and at -O3 they took two to three times as long to
# compile for no gain. They are compiled at -O1, with the test framework and
# the headers most of them include precompiled once per program.
#
#   zarn_test_program(TARGET [HEADERS header...])
function(zarn_test_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "HEADERS")
  target_compile_options(${target} PRIVATE -O1)
  target_precompile_headers(${target} PRIVATE ${arg_HEADERS})
  # ccache caches objects built with GCC's precompiled headers only when the
  # header is named in the preprocessed output.
  if(CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -fpch-preprocess)
  endif()
endfunction()
