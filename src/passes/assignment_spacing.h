#pragma once

#include <string>

namespace zarn {

// Blanks around the first "=" between two letters or digits, and no blank on
// the inner side of parentheses or before a comma after ")".
void FixAssignmentSpacing(std::string& text);

// The blanks that replacing every ") ," by "),", then every "( " by "(",
// then every " )" by ")" removes, removed in one pass.
void RemoveBlanksInsideParentheses(std::string& text);

}  // namespace zarn
