// "repeat" ... "until condition" loops, written as JASS loop ... exitwhen ...
// endloop. Each line is rewritten on its own; nothing pairs them.
#pragma once

#include <string>

#include "passes/keyword_rule.h"

namespace zarn {

void ExpandRepeatUntil(std::string& text, const KeywordRule& rule = {});

}  // namespace zarn
