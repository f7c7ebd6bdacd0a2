// The JASS 2 check on arbitrary bytes: it ends, and its problems are in
// script order at positions that exist.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "check/jass_checker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view script(reinterpret_cast<const char*>(data), size);
  const zarn::JassCheckResult result = zarn::CheckJass(script);
  std::size_t lines = 1;
  for (std::size_t i = 0; i < size; ++i)
    if (script[i] == '\n' || (script[i] == '\r' && (i + 1 >= size || script[i + 1] != '\n'))) ++lines;
  std::size_t previous = 1;
  for (const zarn::JassProblem& problem : result.problems) {
    if (problem.line < previous || problem.line > lines || problem.column < 1 || problem.column > size + 1 ||
        problem.message.empty())
      __builtin_trap();
    previous = problem.line;
  }
  return 0;
}
