#include "rewrite.h"

#include "text.h"

namespace zarn {

void ReplaceEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                      const std::function<std::optional<std::string>(std::string_view)>& rewrite) {
  Matcher m(pattern, mode);
  for (bool found = m.First(text); found; found = m.Next()) {
    std::optional<std::string> replacement = rewrite(m.Matched());
    if (replacement && *replacement != m.Matched()) ReplaceAllIn(text, m.Matched(), *replacement);
  }
}

void DeleteFirstForEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                             const std::function<std::string(std::string_view)>& target) {
  Matcher m(pattern, mode);
  for (bool found = m.First(text); found; found = m.Next()) DeleteFirstIn(text, target(m.Matched()));
}

void ReplaceFirstForEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                              const std::function<std::string(std::string_view)>& replacement) {
  Matcher m(pattern, mode);
  for (bool found = m.First(text); found; found = m.Next())
    ReplaceFirstIn(text, m.Matched(), replacement(m.Matched()));
}

void ApplyEditsForEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                            const std::function<std::vector<TextEdit>(std::string_view)>& edits) {
  Matcher m(pattern, mode);
  for (bool found = m.First(text); found; found = m.Next()) {
    for (const TextEdit& edit : edits(m.Matched()))
      if (edit.from != edit.to) ReplaceAllIn(text, edit.from, edit.to);
  }
}

}  // namespace zarn
