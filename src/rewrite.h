// Scan-and-rewrite loops shared by the passes. A scan walks a private copy of
// the text; each rewrite acts on the live text by text, never by position, with
// one of the three idioms. Every pass writes back through these functions, so
// the way the live text is rebuilt is decided in one place.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "matcher.h"

namespace zarn {

// For each match m, in order: when `rewrite(m)` gives a text different from m,
// every occurrence of m in the live text is replaced by it.
void ReplaceEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                      const std::function<std::optional<std::string>(std::string_view)>& rewrite);

// For each match m, in order: the first occurrence of `target(m)` in the live
// text is deleted (nothing happens when it is empty or absent).
void DeleteFirstForEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                             const std::function<std::string(std::string_view)>& target);

// For each match m, in order: the first occurrence of m in the live text is
// replaced by `replacement(m)`.
void ReplaceFirstForEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                              const std::function<std::string(std::string_view)>& replacement);

// One replace-every-occurrence edit of the live text.
struct TextEdit {
  std::string from;
  std::string to;
};

// For each match m, in order: the edits `edits(m)` are applied one after the
// other, each replacing every occurrence of its `from` in the live text by its
// `to` (an edit whose two texts are equal changes nothing).
void ApplyEditsForEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                            const std::function<std::vector<TextEdit>(std::string_view)>& edits);

}  // namespace zarn
