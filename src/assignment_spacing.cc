#include "assignment_spacing.h"

#include "rewrite.h"
#include "text.h"

namespace zarn {

void FixAssignmentSpacing(std::string& text) {
  // Only the first such place in the whole script is spaced.
  ReplaceFirstMatch(text, "[a-zA-Z0-9]=[a-zA-Z0-9]", MatchMode::kWholeText, [](std::string_view m) {
    return std::string(1, m[0]) + " = " + std::string(1, m[2]);
  });
  ReplaceAllIn(text, ") ,", "),");
  ReplaceAllIn(text, "( ", "(");
  ReplaceAllIn(text, " )", ")");
}

}  // namespace zarn
