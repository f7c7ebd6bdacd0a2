// Annotation comments of scripts that use the old type-cast tricks on
// purpose: "//# +nosemanticerror", "//# +rb" (the return bug) and
// "//# +noruntimeerror" turn a group of checks off, "//# -..." on again.
// They belong to the function whose "function" line directly follows the
// annotation line or lines; a blank line or a plain comment between them
// breaks the link, and an annotation anywhere else has no effect.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "check/jass_index.h"

namespace zarn::jass {

struct CheckFlags {
  bool semantic = true;     // names, types, calls, statements
  bool return_type = true;  // the type of a returned value
  // Faults that only show when the line runs (a local read before it is
  // set); a script's 1/0 is a deliberate way to stop a thread.
  bool runtime = true;
};

// Applies the annotation words of a "//#" comment. Comments that merely
// begin with "//#" (commented-out code) change nothing.
void ApplyAnnotation(std::string_view comment, CheckFlags& flags);

// The flags the annotations of a script give its functions, by name: the
// check of a run's result applies those of the script as written, since the
// run removes comments.
class FunctionAnnotations {
 public:
  // Null when the function has no annotation.
  const CheckFlags* Find(std::string_view function) const;
  bool empty() const { return by_name_.empty(); }
  void Set(std::string_view function, const CheckFlags& flags) { by_name_[std::string(function)] = flags; }

 private:
  NameTable<CheckFlags> by_name_;  // looked up by views, once per function
};

// Reads the annotations of `script` by the rule above, one line at a time:
// LF, CR LF or a lone CR ends a line. Linear; a script without "//#" costs
// one search.
FunctionAnnotations CollectFunctionAnnotations(std::string_view script);

}  // namespace zarn::jass
