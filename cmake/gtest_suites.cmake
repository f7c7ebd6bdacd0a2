# Tests of a GoogleTest program as one test per suite, each run by
# gtest_runner.py: under Wine every start of a test program is one more chance
# that the start itself fails, and a start per test costs more than the test.
# The runner names each test that does not pass, goes on after a crash with
# the tests not run yet, and starts a program again only when it never
# started its tests.
#
#   zarn_add_gtest_suites(TARGET SOURCES file... [TIME_LIMIT seconds])
#
# The suites are read from the TEST and TEST_F lines of SOURCES when the build
# is configured, so no test program runs at build time. TARGET.others runs
# whatever those lines do not name (a suite added since, another macro), so
# that no test is left out.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ZARN_GTEST_RUNNER ${CMAKE_CURRENT_LIST_DIR}/gtest_runner.py)

function(zarn_add_gtest_suites target)
  cmake_parse_arguments(arg "" "TIME_LIMIT" "SOURCES" ${ARGN})
  if(NOT arg_TIME_LIMIT)
    set(arg_TIME_LIMIT 600)
  endif()
  set(suites "")
  foreach(source ${arg_SOURCES})
    file(STRINGS ${source} lines REGEX "^[ \t]*TEST(_F)?[ \t]*\\([ \t]*[A-Za-z0-9_]+[ \t]*,")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*TEST(_F)?[ \t]*\\([ \t]*([A-Za-z0-9_]+).*$" "\\2" suite "${line}")
      list(APPEND suites ${suite})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES suites)
  list(SORT suites)
  # The runner stops at its own limit and names the test it stopped; ctest's
  # is only for a runner that hangs itself.
  math(EXPR ctest_limit "${arg_TIME_LIMIT} + 60")
  set(command ${Python3_EXECUTABLE} ${ZARN_GTEST_RUNNER} --time-limit ${arg_TIME_LIMIT})
  set(program ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${target}>)
  set(named "")
  foreach(suite ${suites})
    add_test(NAME ${target}.${suite} COMMAND ${command} --filter ${suite}.* -- ${program})
    set_tests_properties(${target}.${suite} PROPERTIES TIMEOUT ${ctest_limit})
    list(APPEND named ${suite}.*)
  endforeach()
  list(JOIN named ":" named)
  add_test(NAME ${target}.others COMMAND ${command} --allow-empty --filter *:-${named} -- ${program})
  set_tests_properties(${target}.others PROPERTIES TIMEOUT ${ctest_limit})
endfunction()
