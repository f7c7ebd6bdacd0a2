// How the passes recognise their keywords.
//
// By letters (the default): a keyword is found wherever its letters stand,
// also inside longer names, so `s__T_flush` sets off the flush statement.
// By words: a keyword counts only as a whole word, the bytes on either side
// being neither letters, digits nor '_', and a statement's keyword only at the
// start of its line (the passes see every statement on a line of its own).
// A statement found by words is rewritten where a line begins with its text,
// not wherever that text occurs.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "text/matcher.h"

namespace zarn {

// A letter, digit or '_': a byte that continues a name.
inline bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

class KeywordRule {
 public:
  enum class Mode { kLetters, kWords };

  KeywordRule() = default;
  explicit KeywordRule(Mode mode) : mode_(mode) {}
  static KeywordRule Words() { return KeywordRule(Mode::kWords); }

  bool words() const { return mode_ == Mode::kWords; }

  // `keyword` as it stands in a pattern: its letters, or its letters with no
  // name byte on either side.
  std::string InPattern(std::string_view keyword) const;
  // A line that begins with the statement `keyword`, followed by `rest`:
  // "^new.*?$", or by words "^new" with no name byte after it.
  std::string Statement(std::string_view keyword, std::string_view rest = ".*?$") const;

  // The first place of `keyword` in `text` at or after `from`, or npos.
  std::size_t Find(std::string_view text, std::string_view keyword, std::size_t from = 0) const;
  bool Contains(std::string_view text, std::string_view keyword) const {
    return Find(text, keyword) != std::string_view::npos;
  }
  // 1-based position of the first place, 0 when there is none (as Pos).
  std::size_t Pos(std::string_view keyword, std::string_view text) const;

  // A statement's keyword replaced: by letters every occurrence of it in
  // `stmt`, by words only the one that begins the statement.
  std::string ReplaceKeyword(std::string_view stmt, std::string_view keyword, std::string_view by) const;

  // The write-back of a statement pass whose matches hold no line break: for
  // each match m whose rewrite gives another text, by letters every
  // occurrence of m in the live text is replaced, by words every one that
  // begins a line.
  void RewriteEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                        const std::function<std::optional<std::string>(std::string_view)>& rewrite) const;

 private:
  Mode mode_ = Mode::kLetters;
};

// True when `name` stands in `text` at `at` with no name byte on either side
// of it (a side that is not itself a name byte needs no separation).
bool StandsAsWord(std::string_view text, std::size_t at, std::size_t length);

// Every whole-word occurrence of `word` in `text` replaced by `by`.
std::string ReplaceWord(std::string_view text, std::string_view word, std::string_view by);

}  // namespace zarn

namespace zarn {

// The line that turns word mode on from inside the script.
inline constexpr std::string_view kWordsDirective = "//!words";

// Empties every line of `text` that is exactly the directive (lines trimmed,
// comments and raw blocks already out); true when there was one.
bool TakeWordsDirective(std::string& text);

}  // namespace zarn

namespace zarn {

// The statement keywords that the passes find by letters.
inline constexpr std::string_view kStatementKeywords[] = {"new",    "global", "var",   "free",   "flush",
                                                          "repeat", "until",  "mount", "unmount"};

// The first name of `script` (outside comments and string and rawcode
// literals) that holds a statement keyword without being one, such as
// "s__T_flush"; "" when there is none.
std::string FirstNameHoldingKeyword(std::string_view script);

// The line that follows the error count of a refused run in the default
// mode when the script has such a name; "" when it has none.
std::string WordsHint(std::string_view script);

}  // namespace zarn
