#include "text/matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/errors.h"
#include "text/match_limit_error.h"
#include "text/script.h"
#include "text/text_search.h"

namespace zarn {

namespace {

// Zero-width tests that the byte before, or after, is no letter, digit or
// '_': the edges of a whole word.
constexpr std::string_view kNoNameByteBefore = "(?<![A-Za-z0-9_])";
constexpr std::string_view kNoNameByteAfter = "(?![A-Za-z0-9_])";

bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The literal runs of a pattern built only from literal bytes, escaped
// punctuation, ".*", ".*?", "^", "$" and the two word-edge tests; nothing for
// any other pattern.
std::optional<std::vector<std::string>> LiteralRuns(std::string_view source) {
  std::vector<std::string> runs(1);
  for (std::size_t i = 0; i < source.size(); ++i) {
    char c = source[i];
    if (source.substr(i, kNoNameByteBefore.size()) == kNoNameByteBefore ||
        source.substr(i, kNoNameByteAfter.size()) == kNoNameByteAfter) {
      i += (source[i + 2] == '<' ? kNoNameByteBefore.size() : kNoNameByteAfter.size()) - 1;
      runs.emplace_back();
      continue;
    }
    bool is_alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (c == '^' || c == '$') {
      runs.emplace_back();
    } else if (c == '.' && i + 1 < source.size() && source[i + 1] == '*') {
      i += (i + 2 < source.size() && source[i + 2] == '?') ? 2 : 1;
      runs.emplace_back();
    } else if (c == '\\' && i + 1 < source.size()) {
      char escaped = source[++i];
      bool word = (escaped >= '0' && escaped <= '9') || (escaped >= 'a' && escaped <= 'z') ||
                  (escaped >= 'A' && escaped <= 'Z');
      if (word || escaped == '\r' || escaped == '\n') return std::nullopt;  // \d, \s, \Q... or a break
      runs.back() += escaped;
    } else if (is_alnum || std::strchr("\\^$.[]|()?*+{}\r\n", c) == nullptr) {
      runs.back() += c;
    } else {
      return std::nullopt;
    }
  }
  return runs;
}

}  // namespace

// One end of a span: a literal, and whether it must begin and end a word.
struct SpanEnd {
  std::string text;
  bool word_before = false, word_after = false;
};

namespace {

std::optional<SpanEnd> SpanEndOf(std::string_view part) {
  SpanEnd end;
  if (part.substr(0, kNoNameByteBefore.size()) == kNoNameByteBefore) {
    end.word_before = true;
    part.remove_prefix(kNoNameByteBefore.size());
  }
  if (part.size() >= kNoNameByteAfter.size() &&
      part.substr(part.size() - kNoNameByteAfter.size()) == kNoNameByteAfter) {
    end.word_after = true;
    part.remove_suffix(kNoNameByteAfter.size());
  }
  auto runs = LiteralRuns(part);
  if (!runs || runs->size() != 1 || runs->front().empty()) return std::nullopt;
  end.text = std::move(runs->front());
  return end;
}

}  // namespace

class Pattern {
 public:
  Pattern(std::string_view source, MatchMode mode) {
    uint32_t options = PCRE2_NEVER_UTF | PCRE2_NEVER_UCP;
    if (mode != MatchMode::kLine) options |= PCRE2_DOTALL;
    if (mode != MatchMode::kWholeText)
      options |= PCRE2_MULTILINE;
    else
      options |= PCRE2_DOLLAR_ENDONLY;
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    int error = 0;
    PCRE2_SIZE error_offset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(), options, &error, &error_offset,
                          context);
    pcre2_compile_context_free(context);
    if (!code_) throw Error("Invalid pattern: " + std::string(source));
    pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE);
    // "open.*?close" with the dot matching everything: the match starts at the
    // first "open" and ends with the first "close" after it; "open.*close"
    // (greedy) ends with the last "close" that starts after it. No later
    // "open" can succeed where the first one found no "close", so literal
    // searches give PCRE's answer.
    const std::size_t wildcard = source.find(".*");
    if (mode != MatchMode::kLine && wildcard != std::string_view::npos) {
      const bool greedy = source.substr(wildcard, 3) != ".*?";
      auto open = SpanEndOf(source.substr(0, wildcard));
      auto close = SpanEndOf(source.substr(wildcard + (greedy ? 2 : 3)));
      if (open && close) {
        span_open_ = std::move(*open);
        span_close_ = std::move(*close);
        span_greedy_ = greedy;
      }
    }
    if (auto runs = LiteralRuns(source)) {
      for (std::string& run : *runs)
        if (run.size() > literal_.size()) literal_ = std::move(run);
      // Dot stops at line breaks and no literal holds one: a match never
      // leaves the line it starts on.
      line_local_ = !literal_.empty() && mode == MatchMode::kLine;
    }
    // "^word.*?$" in line mode: a line that begins with the word, whole.
    const std::string_view tail = ".*?$";
    if (line_local_ && source.size() > 1 + tail.size() && source.front() == '^' &&
        source.substr(source.size() - tail.size()) == tail &&
        source.substr(1, source.size() - 1 - tail.size()) == literal_ &&
        literal_.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_ ") ==
            std::string::npos)
      whole_line_from_start_ = true;
  }
  ~Pattern() { pcre2_code_free(code_); }
  pcre2_code* code() const { return code_; }
  // A text that every match holds (the pattern's longest literal), or "".
  const std::string& literal() const { return literal_; }
  // Whether every match lies within one line and holds literal().
  bool line_local() const { return line_local_; }
  // Whether a match is exactly a line that begins with literal(), from its
  // start to its line break.
  bool whole_line_from_start() const { return whole_line_from_start_; }
  // For "open.*?close" patterns (dot matching everything): its two literals,
  // each maybe a whole word; both empty for any other pattern.
  const SpanEnd& span_open() const { return span_open_; }
  const SpanEnd& span_close() const { return span_close_; }
  // Whether the span runs to the last "close" (".*") rather than the first.
  bool span_greedy() const { return span_greedy_; }

 private:
  pcre2_code* code_;
  SpanEnd span_open_, span_close_;
  bool span_greedy_ = false;
  std::string literal_;
  bool line_local_ = false;
  bool whole_line_from_start_ = false;
};

const Pattern& CompiledPattern(std::string_view source, MatchMode mode) {
  static std::mutex mutex;
  // One map per mode, searched by the source itself: no key is built per use.
  static std::array<std::map<std::string, std::unique_ptr<Pattern>, std::less<>>, 3> cache;
  std::lock_guard<std::mutex> lock(mutex);
  auto& by_source = cache[static_cast<std::size_t>(mode)];
  auto it = by_source.find(source);
  if (it == by_source.end()) it = by_source.emplace(std::string(source), std::make_unique<Pattern>(source, mode)).first;
  return *it->second;
}

namespace {

// Limits grow with the text, so that legitimate patterns on the largest scripts
// finish while runaway backtracking is stopped.
struct Limits {
  pcre2_match_context* context;
  pcre2_jit_stack* stack;
};

Limits& ThreadLimits() {
  thread_local Limits limits = [] {
    Limits l;
    l.context = pcre2_match_context_create(nullptr);
    l.stack = pcre2_jit_stack_create(64 * 1024, 64 * 1024 * 1024, nullptr);
    pcre2_jit_stack_assign(l.context, nullptr, l.stack);
    return l;
  }();
  return limits;
}

pcre2_match_context* ContextFor(std::size_t length) {
  pcre2_match_context* context = ThreadLimits().context;
  uint64_t limit = 100'000'000ull + 64ull * length;
  uint64_t depth = 10'000'000ull + 4ull * length;
  pcre2_set_match_limit(context, static_cast<uint32_t>(std::min<uint64_t>(limit, UINT32_MAX)));
  pcre2_set_depth_limit(context, static_cast<uint32_t>(std::min<uint64_t>(depth, UINT32_MAX)));
  pcre2_set_heap_limit(context, 4u * 1024u * 1024u);  // KiB
  return context;
}

}  // namespace

Matcher::Matcher(std::string_view pattern, MatchMode mode) : pattern_(CompiledPattern(pattern, mode)) {
  match_data_ = pcre2_match_data_create_from_pattern(pattern_.code(), nullptr);
}

Matcher::~Matcher() { pcre2_match_data_free(static_cast<pcre2_match_data*>(match_data_)); }

bool Matcher::First(std::string_view text) {
  copy_.assign(text);
  return Scan(copy_);
}

std::string_view Matcher::Lead() const {
  return pattern_.span_open().text.empty() ? std::string_view(pattern_.literal()) : pattern_.span_open().text;
}

bool Matcher::Scan(std::string_view text) {
  subject_ = text;
  places_.clear();
  // Only where every match begins with the lead can a sweep for the matched
  // texts look at its places alone.
  const std::string_view lead = Lead();
  const bool begins = !pattern_.span_open().text.empty() || pattern_.whole_line_from_start();
  places_kept_ = keep_places_ && begins && !lead.empty();
  if (places_kept_) {
    for (std::size_t at = FindText(text, lead); at != std::string_view::npos; at = FindText(text, lead, at + 1))
      places_.push_back(at);
  }
  literal_known_ = false;
  return SearchFrom(0);
}

bool Matcher::Next() {
  std::size_t from = end_ == begin_ ? end_ + 1 : end_;
  if (from > subject_.size()) return false;
  return SearchFrom(from);
}

namespace {
inline bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }
}  // namespace

std::size_t Matcher::LiteralFrom(std::size_t offset) {
  // The last answer holds while it lies at or after `offset`: nothing was
  // found between the place it was searched from and itself.
  if (literal_known_ && literal_from_ <= offset && (literal_at_ == std::string_view::npos || literal_at_ >= offset))
    return literal_at_;
  literal_known_ = true;
  literal_from_ = offset;
  literal_at_ = places_kept_ ? PlaceFrom(offset) : FindText(subject_, pattern_.literal(), offset);
  return literal_at_;
}

// The first place at or after `from` where `end` stands, with the word edges
// it asks for, or npos.
std::size_t Matcher::PlaceFrom(std::size_t offset) const {
  auto at = std::lower_bound(places_.begin(), places_.end(), offset);
  return at == places_.end() ? std::string_view::npos : *at;
}

std::size_t Matcher::FindSpanEnd(const SpanEnd& end, std::size_t from) const {
  // The open's places, when kept, are those of Lead().
  const bool kept = places_kept_ && &end == &pattern_.span_open();
  auto next = [&](std::size_t offset) { return kept ? PlaceFrom(offset) : FindText(subject_, end.text, offset); };
  for (std::size_t at = next(from); at != std::string_view::npos; at = next(at + 1)) {
    const std::size_t after = at + end.text.size();
    if (end.word_before && at > 0 && IsNameByte(subject_[at - 1])) continue;
    if (end.word_after && after < subject_.size() && IsNameByte(subject_[after])) continue;
    return at;
  }
  return std::string_view::npos;
}

bool Matcher::SearchFrom(std::size_t offset) {
  if (!pattern_.span_open().text.empty()) {
    const SpanEnd& open_end = pattern_.span_open();
    const SpanEnd& close_end = pattern_.span_close();
    std::size_t open = FindSpanEnd(open_end, offset);
    if (open == std::string_view::npos) return false;
    std::size_t close = FindSpanEnd(close_end, open + open_end.text.size());
    if (close == std::string_view::npos) return false;
    if (pattern_.span_greedy()) {
      for (std::size_t later = close; later != std::string_view::npos; later = FindSpanEnd(close_end, later + 1))
        close = later;
    }
    begin_ = open;
    end_ = close + close_end.text.size();
    return true;
  }
  if (pattern_.literal().empty()) return Search(offset, subject_.size());
  if (!pattern_.line_local()) {
    // Every match holds the literal, at or after the place it starts.
    if (LiteralFrom(offset) == std::string_view::npos) return false;
    return Search(offset, subject_.size());
  }
  // Only lines holding the literal can hold a match: each is searched alone,
  // up to its line break, which the pattern sees as the end of the text.
  for (std::size_t from = offset;;) {
    std::size_t at = LiteralFrom(from);
    if (at == std::string_view::npos) return false;
    const std::size_t line_end = FindLineBreak(subject_, at + pattern_.literal().size());
    if (pattern_.whole_line_from_start()) {
      // The first place of the word on a line is the only one that can begin
      // it ("^" also holds after a CR that ends a line, as the word starts
      // with no LF).
      if (at == 0 || IsLineBreak(subject_[at - 1])) {
        begin_ = at;
        end_ = line_end;
        return true;
      }
    } else {
      std::size_t line_begin = at;
      while (line_begin > from && !IsLineBreak(subject_[line_begin - 1])) --line_begin;
      if (Search(line_begin, line_end)) return true;
    }
    from = line_end;
  }
}

// Searches the first `length` bytes of the subject from `offset`; the bytes
// before `offset` still count for "^".
bool Matcher::Search(std::size_t offset, std::size_t length) {
  auto* data = static_cast<pcre2_match_data*>(match_data_);
  int rc = pcre2_match(pattern_.code(), reinterpret_cast<PCRE2_SPTR>(subject_.data()), length, offset, 0, data,
                       ContextFor(subject_.size()));
  if (rc == PCRE2_ERROR_NOMATCH) return false;
  if (rc < 0) throw MatchLimitError();
  PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
  begin_ = ovector[0];
  end_ = ovector[1];
  return true;
}

bool MatchesAnywhere(std::string_view pattern, MatchMode mode, std::string_view text) {
  Matcher m(pattern, mode);
  return m.Scan(text);
}

}  // namespace zarn
