// "repeat" ... "until condition" loops, written as JASS loop ... exitwhen ...
// endloop. Each line is rewritten on its own; nothing pairs them.
#pragma once

#include <string>

namespace zarn {

void ExpandRepeatUntil(std::string& text);

}  // namespace zarn
