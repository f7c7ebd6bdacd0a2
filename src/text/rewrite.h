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

#include "text/matcher.h"
#include "text/rewrite_engine.h"

namespace zarn {

// For each match m, in order: when `rewrite(m)` gives a text different from m,
// every occurrence of m in the live text is replaced by it.
void ReplaceEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                      const std::function<std::optional<std::string>(std::string_view)>& rewrite);

// For each match m, in order: when `rewrite(m)` gives a text, m is replaced by
// it where the scan found m, whatever stands elsewhere in the text. One pass.
void ReplaceEachMatchInPlace(std::string& text, std::string_view pattern, MatchMode mode,
                             const std::function<std::optional<std::string>(std::string_view)>& rewrite);

// ReplaceEachMatch for matches without a line break, with only the
// occurrences that begin a line replaced: for each match m, in order, every
// line of the live text that begins with m gets the rewrite of m in place of
// that beginning. Each line is worked on alone, with the rewrites that can
// apply to it, so the work grows with the text and the matches.
void ReplaceEachMatchAtLineStarts(std::string& text, std::string_view pattern, MatchMode mode,
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

// The first match only, if any: its first occurrence in the live text is
// replaced by `replacement(m)`. Returns whether there was a match.
bool ReplaceFirstMatch(std::string& text, std::string_view pattern, MatchMode mode,
                       const std::function<std::string(std::string_view)>& replacement);

// DeleteFirstForEachMatch with the match itself as the target, in one pass:
// the live text is rebuilt left to right, and an index of where `lead` occurs
// in it tells whether a match also stands earlier, where the plain rule would
// delete it instead. Matches for which `at_own_place(m)` holds are deleted
// where the scan found them. Linear unless matches recur in the live text.
void DeleteFirstOccurrenceOfEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                                      std::string_view lead, const std::function<bool(std::string_view)>& at_own_place);

// The same for matches found beforehand by the caller's own scan, as
// (offset, length) pairs in scan order: what a pattern's scan of `text`
// would have found.
using FoundMatches = std::vector<std::pair<std::size_t, std::size_t>>;
void DeleteFirstOccurrenceOfEachFound(std::string& text, const FoundMatches& matches, std::string_view lead,
                                      const std::function<bool(std::string_view)>& at_own_place);

// Part of a match: offset from the match's start and length.
struct MatchPart {
  std::size_t offset = 0;
  std::size_t length = 0;
};

// For each match m: `part(m)` is deleted where the scan found m, whatever
// stands earlier in the text. One pass.
void DeletePartOfEachMatchInPlace(std::string& text, std::string_view pattern, MatchMode mode,
                                  const std::function<MatchPart(std::string_view)>& part);

// ReplaceEachMatch with every match replaced by nothing, for a `pattern` of
// the form `open` ".*?" close (dot matching everything) with a two-character
// `open`: spans that end at the first close after the opener. When no match
// holds a second `open` and none is followed by `open`'s second character,
// deleting every occurrence of each match deletes exactly the matches, which
// is done in one pass; otherwise the plain rule runs.
void DeleteEveryOccurrenceOfEachSpan(std::string& text, std::string_view pattern, MatchMode mode,
                                     std::string_view open);

// Runs `pass` on the lines of `text` that hold `needle`, joined by LF, and
// puts the lines it gives back in their places (a line is a run of bytes
// without CR or LF). The same as running `pass` on the whole text when every
// text the pass matches or replaces holds `needle` and no line break and no
// replacement holds a break: then lines without `needle` never change. When
// the pass changes the number of lines, it is run on the whole text instead.
void RewriteLinesHolding(std::string& text, std::string_view needle, const std::function<void(std::string&)>& pass);

}  // namespace zarn
