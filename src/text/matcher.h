// Pattern matching over PCRE2 with JIT. Every pattern is case-sensitive and
// uses the ANYCRLF newline convention, so CR LF counts as one line break and no
// anchor ever matches between its CR and LF.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarn {

enum class MatchMode {
  kWholeText,        // dot matches everything; ^ and $ only at the text's ends
  kLine,             // dot stops at CR and LF; ^ and $ at every line boundary
  kDotAllMultiLine,  // dot matches everything; ^ and $ at every line boundary
};

class Pattern;
struct SpanEnd;

// Compiled once per process and mode; patterns are fixed texts of the program.
const Pattern& CompiledPattern(std::string_view source, MatchMode mode);

// A scan of one pattern over a text. Each next match starts where the
// previous one ended (one byte further after an empty match). First() scans a
// private copy, so rewrites that a pass makes to the live text during the scan
// never change what it sees; Scan() walks the caller's text itself.
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
  // Searches `text` from the start without a copy: it must stay alive and
  // unchanged until the scan is over.
  bool Scan(std::string_view text);
  // Searches on after the previous match; only after a successful match.
  bool Next();

  // Asks the next scan to find, in one pass before it starts, every place
  // (overlapping ones too) where Lead() stands, and to search among those,
  // when every match begins with it ("open.*?close", "^word.*?$" by lines).
  void KeepLeadPlaces() { keep_places_ = true; }
  // A text that every match holds: for "open.*?close" its open, which each
  // match begins with; otherwise the pattern's longest literal; or "".
  std::string_view Lead() const;
  // After a scan that kept them: the places of Lead(), in order (none when
  // they were not kept).
  bool LeadPlacesKept() const { return places_kept_; }
  std::vector<std::size_t> TakeLeadPlaces() { return std::move(places_); }

  // The whole match, valid until the next First() or the matcher's end.
  std::string_view Matched() const { return subject_.substr(begin_, end_ - begin_); }
  // 0-based offset of the match in the scanned text.
  std::size_t Offset() const { return begin_; }
  std::string_view Subject() const { return subject_; }

 private:
  bool SearchFrom(std::size_t offset);
  bool Search(std::size_t offset, std::size_t length);
  std::size_t LiteralFrom(std::size_t offset);
  std::size_t PlaceFrom(std::size_t offset) const;
  std::size_t FindSpanEnd(const SpanEnd& end, std::size_t from) const;

  const Pattern& pattern_;
  std::string copy_;
  std::string_view subject_;
  std::size_t begin_ = 0, end_ = 0;
  // The pattern's literal was last searched for from `literal_from_` and
  // found at `literal_at_` (npos: not at all).
  std::size_t literal_from_ = 0, literal_at_ = 0;
  bool literal_known_ = false;
  bool keep_places_ = false, places_kept_ = false;
  std::vector<std::size_t> places_;
  void* match_data_ = nullptr;
};

// True when the pattern matches anywhere in `text`.
bool MatchesAnywhere(std::string_view pattern, MatchMode mode, std::string_view text);

}  // namespace zarn
