// Pattern matching over PCRE2 with JIT. Every pattern is case-sensitive and
// uses the ANYCRLF newline convention, so CR LF counts as one line break and no
// anchor ever matches between its CR and LF.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zarn {

enum class MatchMode {
  kWholeText,        // dot matches everything; ^ and $ only at the text's ends
  kLine,             // dot stops at CR and LF; ^ and $ at every line boundary
  kDotAllMultiLine,  // dot matches everything; ^ and $ at every line boundary
};

class Pattern;

// Compiled once per process and mode; patterns are fixed texts of the program.
const Pattern& CompiledPattern(std::string_view source, MatchMode mode);

// A scan of one pattern over a private copy of a text. Each next match starts
// where the previous one ended (one byte further after an empty match), so
// rewrites that a pass makes to the live text never change what the scan sees.
// Searches run under match limits scaled to the text's length; exceeding them
// throws MatchLimitError rather than passing for "no match".
class Matcher {
 public:
  explicit Matcher(std::string_view pattern, MatchMode mode = MatchMode::kWholeText);
  ~Matcher();
  Matcher(const Matcher&) = delete;
  Matcher& operator=(const Matcher&) = delete;

  // Copies `text` and searches it from the start.
  bool First(std::string_view text);
  // Searches on after the previous match; only after a successful match.
  bool Next();

  // The whole match, valid until the next First() or the matcher's end.
  std::string_view Matched() const { return std::string_view(subject_).substr(begin_, end_ - begin_); }
  // 0-based offset of the match in the scanned copy.
  std::size_t Offset() const { return begin_; }
  const std::string& Subject() const { return subject_; }

 private:
  bool SearchFrom(std::size_t offset);

  const Pattern& pattern_;
  std::string subject_;
  std::size_t begin_ = 0, end_ = 0;
  void* match_data_ = nullptr;
};

// True when the pattern matches anywhere in `text`.
bool MatchesAnywhere(std::string_view pattern, MatchMode mode, std::string_view text);

}  // namespace zarn
