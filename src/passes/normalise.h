// Brings the script into the shape later passes expect: trimmed lines,
// collapsed white space, no comments other than "//!" directives, no empty lines.
#pragma once

#include <string>

#include "text/line_origins.h"
#include "text/rewrite.h"
#include "text/script.h"

namespace zarn {

void NormaliseSpaces(Lines& lines);
void RemoveComments(std::string& text);
// The line comments RemoveComments deletes, as (offset, length) in scan order.
FoundMatches LineComments(std::string_view text);
void RemoveEmptyLines(Lines& lines);

// JoinLines of the lines as NormaliseSpaces leaves them, without changing
// `lines`: one pass, no string per line.
std::string JoinNormalisedLines(const Lines& lines);

// Turns a script file's bytes into JoinNormalisedLines(SplitText(bytes)), in
// one pass and in their own buffer while the text does not outgrow the bytes
// already read (files with CR LF ends); no string per line.
void NormaliseBytesIntoText(std::string& bytes);

// The text SplitText, RemoveEmptyLines and JoinLines give, in one pass.
// `origins`, when given, holds an entry per line of `text` and keeps those of
// the lines kept.
void RemoveEmptyLinesFromText(std::string& text, LineOrigins* origins = nullptr);

}  // namespace zarn
