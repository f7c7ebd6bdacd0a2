// Runs lines through the whole preprocessor, as a map run would, for tests.
#pragma once

#include "core/pipeline.h"
#include "passes/run.h"

namespace zarn::fixture {

inline Lines Preprocess(const Lines& input) {
  NullProgress progress;
  Run run(progress);
  BuildLanguageTables(run);
  run.lines = input;
  PreprocessScript(run);
  return SplitText(run.text);
}

// A globals block holding `globals`, then one function whose body is `body`.
inline Lines InFunction(const Lines& body, const Lines& globals = {"integer n = 0"}) {
  Lines script = {"globals"};
  script.insert(script.end(), globals.begin(), globals.end());
  script.push_back("endglobals");
  script.push_back("function Test takes nothing returns nothing");
  script.insert(script.end(), body.begin(), body.end());
  script.push_back("endfunction");
  return script;
}

}  // namespace zarn::fixture
