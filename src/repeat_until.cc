#include "repeat_until.h"

#include "rewrite.h"
#include "text.h"

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
