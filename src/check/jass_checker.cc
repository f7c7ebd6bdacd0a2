#include "check/jass_checker.h"

#include <algorithm>

#include "check/jass_grammar.h"
#include "check/vjass_balance.h"

namespace zarn {

JassCheckResult CheckJass(std::string_view script) {
  JassCheckResult result;
  if (!jass::CheckGrammar(script, result.problems)) {
    result.vjass = true;
    result.problems.clear();
    jass::CheckVJassBalance(script, result.problems);
  }
  // Openers without closers are found only when their block ends.
  std::stable_sort(result.problems.begin(), result.problems.end(),
                   [](const JassProblem& a, const JassProblem& b) {
                     return a.line != b.line ? a.line < b.line : a.column < b.column;
                   });
  return result;
}

}  // namespace zarn
