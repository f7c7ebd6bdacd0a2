#include "passes/repeat_until.h"

#include "text/rewrite.h"
#include "text/text.h"

namespace zarn {

void ExpandRepeatUntil(std::string& text, const KeywordRule& rule) {
  // By letters the keywords open a match wherever they stand in a line.
  const std::string repeat = rule.words() ? rule.Statement("repeat") : "repeat.*?$";
  const std::string until = rule.words() ? rule.Statement("until") : "until.*?$";
  rule.RewriteEachMatch(text, repeat, MatchMode::kLine, [&rule](std::string_view matched) {
    return std::optional<std::string>(rule.ReplaceKeyword(TrimView(matched), "repeat", "loop"));
  });
  rule.RewriteEachMatch(text, until, MatchMode::kLine, [&rule](std::string_view matched) {
    return std::optional<std::string>(rule.ReplaceKeyword(TrimView(matched), "until", "exitwhen (") + ")\r\nendloop");
  });
}

}  // namespace zarn
