#include "normalise.h"

#include <algorithm>

#include "rewrite.h"
#include "text.h"

namespace zarn {

void NormaliseSpaces(Lines& lines) {
  for (std::string& line : lines) line = CollapseWhitespace(TrimView(line));
}

// A "//" ends the comment pattern's first character class at a line break
// only when nothing follows it on its line; such a bare "//" is matched alone
// and deleted where it stands, so it never takes the next line with it.
constexpr char kLineComment[] = "//(?:[^!\\r\\n].*?)?$";
constexpr char kBlockComment[] = "/\\*.*?\\*/";

void RemoveComments(std::string& text) {
  DeleteFirstOccurrenceOfEachMatch(text, kLineComment, MatchMode::kDotAllMultiLine, "//",
                                   [](std::string_view comment) { return comment == "//"; });
  DeleteEveryOccurrenceOfEachSpan(text, kBlockComment, MatchMode::kWholeText, "/*");
}

void RemoveEmptyLines(Lines& lines) {
  for (std::string& line : lines) line = Trim(line);
  lines.erase(std::remove_if(lines.begin(), lines.end(), [](const std::string& line) { return line.empty(); }),
              lines.end());
}

}  // namespace zarn
