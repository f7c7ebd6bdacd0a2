// Brings the script into the shape later passes expect: trimmed lines,
// collapsed white space, no comments other than "//!" directives, no empty lines.
#pragma once

#include <string>

#include "script.h"

namespace zarn {

void NormaliseSpaces(Lines& lines);
void RemoveComments(std::string& text);
void RemoveEmptyLines(Lines& lines);

}  // namespace zarn
