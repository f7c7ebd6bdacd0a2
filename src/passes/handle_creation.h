// "new" statements declare a handle initialised by its constructor call;
// "global" statements move a declaration into the globals block.
#pragma once

#include <string>
#include <vector>

#include "passes/keyword_rule.h"
#include "text/line_origins.h"

namespace zarn {

// Rewrites every line in which "new" is followed by a creatable type into a
// declaration with that type's constructor call; the earliest table row wins.
void ExpandNewStatements(std::string& text, const KeywordRule& rule = {});

// Moves every global statement to its own line before "endglobals". In a
// script without "endglobals" the statement stays in place, marked. `moved`,
// when given, receives each declaration moved and the line it came from.
void MoveGlobalDeclarations(std::string& text, const KeywordRule& rule = {}, std::vector<MovedLine>* moved = nullptr);

}  // namespace zarn
