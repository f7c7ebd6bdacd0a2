// Annotation lines for the checkers that read the written script after us:
// "//#" followed only by "+flag"/"-flag" words ("//# +rb",
// "//# +nosemanticerror"), in a row directly above a "function" line. The
// comment pass removes every other "//" comment; these are taken from the
// script as written and put back above their function's line once the
// passes are done, so no pass ever reads them.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "text/line_origins.h"

namespace zarn {

class KeptAnnotations {
 public:
  // Reads `script` as written, up to its first NUL byte. LF, CR LF or a lone
  // CR ends a line. A blank line, a plain comment or any other line between
  // an annotation and the function line breaks the link. Linear; a script
  // without "//#" costs one search.
  void Collect(std::string_view script);

  // `text` is the passes' result: CR LF lines, trimmed. Each line that
  // declares a function with kept annotations gets them above it, trimmed,
  // in their order. `origins`, when given, holds the origin of each line of
  // `text` and gets those of the lines put in: the lines right above the
  // function line's own.
  void PutBack(std::string& text, LineOrigins* origins = nullptr) const;

  bool empty() const { return by_function_.empty(); }

 private:
  std::unordered_map<std::string, std::string> by_function_;  // lines, each ending in CR LF
};

// True when `line` (trimmed) is "//#" followed by one or more "+word" or
// "-word" flags, and nothing else.
bool IsAnnotationLine(std::string_view line);

// The name of the function that `line` declares ("function NAME ..." or
// "constant function NAME ...", blanks before allowed), or empty.
std::string_view FunctionDeclaredBy(std::string_view line);

}  // namespace zarn
