#include "passes/import_directive.h"

#include "text/script.h"
#include "text/text_search.h"

namespace zarn {

namespace {

constexpr std::string_view kRawStart = "//!nozarn";
constexpr std::string_view kRawEnd = "//!endnozarn";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32 && c != '\r' && c != '\n' && c != '\0'; }

// Reads `//!import "PATH"` from `at`, the directive's offset, to the line's
// end; false when the word is longer ("//!imports") and so no directive.
bool ReadDirective(std::string_view text, std::size_t at, std::size_t end, ImportLine& line) {
  std::size_t i = at + kImportDirective.size();
  if (i < end && !IsBlank(text[i]) && text[i] != '"') return false;
  while (i < end && IsBlank(text[i])) ++i;
  const std::size_t close = i < end && text[i] == '"' ? text.find('"', i + 1) : std::string_view::npos;
  line.malformed = close == std::string_view::npos || close >= end || close == i + 1;
  if (line.malformed) return true;
  line.path = std::string(text.substr(i + 1, close - i - 1));
  for (std::size_t k = close + 1; k < end; ++k)
    if (!IsBlank(text[k])) line.malformed = true;
  return true;
}

class DirectiveScanner {
 public:
  explicit DirectiveScanner(std::string_view text) : s_(text) {}

  std::vector<ImportLine> Run() {
    // A UTF-8 byte-order mark is no part of the first line's text.
    std::size_t i = s_.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0, line = 0;
    bool line_start = true;
    while (i < s_.size()) {
      if (line_start && TakeDirective(i, line)) {
        i = found_.back().break_end;
        ++line;
        continue;
      }
      line_start = false;
      const char c = s_[i];
      if (c == '\r' || c == '\n') {
        i += c == '\r' && i + 1 < s_.size() && s_[i + 1] == '\n' ? 2 : 1;
        ++line;
        line_start = true;
      } else if (c == '"' || c == '\'') {
        i = PastLiteral(i, line);
      } else if (c == '/' && i + 1 < s_.size() && (s_[i + 1] == '/' || s_[i + 1] == '*')) {
        i = PastComment(i, line);
      } else {
        ++i;
      }
    }
    return std::move(found_);
  }

 private:
  bool TakeDirective(std::size_t begin, std::size_t line) {
    std::size_t i = begin;
    const std::size_t end = FindLineBreak(s_, begin);
    while (i < end && IsBlank(s_[i])) ++i;
    if (s_.compare(i, kImportDirective.size(), kImportDirective) != 0) return false;
    ImportLine found;
    if (!ReadDirective(s_, i, end, found)) return false;
    found.begin = begin;
    found.directive = i;
    found.end = end;
    found.break_end = end;
    if (end < s_.size()) found.break_end += s_[end] == '\r' && end + 1 < s_.size() && s_[end + 1] == '\n' ? 2 : 1;
    found.line = line;
    found_.push_back(std::move(found));
    return true;
  }

  // Counts the line breaks of s_[from, to) into `line`.
  void CountLines(std::size_t from, std::size_t to, std::size_t& line) const {
    for (std::size_t k = from; k < to; ++k) {
      if (s_[k] == '\n' || (s_[k] == '\r' && (k + 1 >= s_.size() || s_[k + 1] != '\n'))) ++line;
    }
  }

  // Past the literal opening at `i`; one past the quote when it does not
  // close (an ordinary byte then).
  std::size_t PastLiteral(std::size_t i, std::size_t& line) {
    const bool rawcode = s_[i] == '\'';
    if (!rawcode && no_string_end_) return i + 1;
    for (std::size_t k = i + 1; k < s_.size(); ++k) {
      const char c = s_[k];
      if (c == s_[i]) {
        CountLines(i, k, line);
        return k + 1;
      }
      if (rawcode && (c == '\r' || c == '\n')) return i + 1;
      if (c == '\\') {
        if (rawcode && k + 1 < s_.size() && (s_[k + 1] == '\r' || s_[k + 1] == '\n')) return i + 1;
        ++k;
      }
    }
    if (!rawcode) no_string_end_ = true;
    return i + 1;
  }

  // Past the comment, or raw block, that starts at `i`; the line break after
  // a line comment is left for the main loop.
  std::size_t PastComment(std::size_t i, std::size_t& line) {
    if (s_[i + 1] == '/') {
      if (s_.compare(i, kRawStart.size(), kRawStart) == 0 && !no_raw_end_) {
        const std::size_t close = FindText(s_, kRawEnd, i + kRawStart.size());
        if (close != std::string_view::npos) {
          CountLines(i, close, line);
          return FindLineBreak(s_, close);
        }
        no_raw_end_ = true;
      }
      return FindLineBreak(s_, i);
    }
    if (no_block_end_) return i + 1;
    const std::size_t close = FindText(s_, "*/", i + 2);
    if (close == std::string_view::npos) {
      no_block_end_ = true;
      return i + 1;
    }
    CountLines(i, close, line);
    return close + 2;
  }

  std::string_view s_;
  std::vector<ImportLine> found_;
  bool no_string_end_ = false, no_block_end_ = false, no_raw_end_ = false;
};

}  // namespace

std::vector<ImportLine> FindImportLines(std::string_view text) {
  text = UpToNul(text);
  if (FindText(text, kImportDirective) == std::string_view::npos) return {};
  return DirectiveScanner(text).Run();
}

}  // namespace zarn
