// A check of a script against the JASS 2 grammar, as the game loads it:
// literals, tokens, declarations, statements, expressions, block structure
// and names declared twice. Names, types and argument counts are not judged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

struct JassProblem {
  std::size_t line = 1;    // from 1
  std::size_t column = 1;  // byte column, from 1
  std::string message;
};

struct JassCheckResult {
  // In script order.
  std::vector<JassProblem> problems;
  // The script holds vJass: only literals and block balance were checked.
  bool vjass = false;
};

// Linear in the script's size. A NUL byte ends the script; CR LF, LF and a
// lone CR each end a line.
JassCheckResult CheckJass(std::string_view script);

}  // namespace zarn
