// Annotation comments of scripts that use the old type-cast tricks on
// purpose: "//# +nosemanticerror", "//# +rb" (the return bug) and
// "//# +noruntimeerror" turn a group of checks off, "//# -..." on again.
#pragma once

#include <string_view>

namespace zarn::jass {

struct CheckFlags {
  bool semantic = true;     // names, types, calls, statements
  bool return_type = true;  // the type of a returned value
  // Faults that only show when the line runs. Recognised, so that such
  // scripts read as they mean, but the load check judges none: a script's
  // 1/0 is a deliberate way to stop a thread.
  bool runtime = true;
};

// Applies the annotation words of a "//#" comment. Comments that merely
// begin with "//#" (commented-out code) change nothing.
void ApplyAnnotation(std::string_view comment, CheckFlags& flags);

}  // namespace zarn::jass
