#include "passes/repeat_until.h"

#include "text/rewrite.h"
#include "text/text.h"

namespace zarn {

void ExpandRepeatUntil(std::string& text) {
  ReplaceEachMatch(text, "repeat.*?$", MatchMode::kLine, [](std::string_view matched) {
    return std::optional<std::string>(ReplaceAll(TrimView(matched), "repeat", "loop"));
  });
  ReplaceEachMatch(text, "until.*?$", MatchMode::kLine, [](std::string_view matched) {
    return std::optional<std::string>(ReplaceAll(TrimView(matched), "until", "exitwhen (") +
                                      ")\r\nendloop");
  });
}

}  // namespace zarn
