#include "lsp/line_origins.h"

#include <string>

#include "core/report.h"

namespace zarn::lsp {

namespace {

constexpr std::size_t kSearchWindow = 64;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
bool IsWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// A line without blanks, without a marker in front and without its comment.
std::string Key(std::string_view line) {
  if (line.substr(0, kErrorMarkerStem.size()) == kErrorMarkerStem) {
    line.remove_prefix(kErrorMarkerStem.size());
    if (!line.empty() && line[0] == ':') line.remove_prefix(1);
  }
  std::string key;
  char quote = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quote) {
      key += c;
      if (c == '\\' && i + 1 < line.size())
        key += line[++i];
      else if (c == quote)
        quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
      key += c;
    } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
      break;
    } else if (!IsBlank(c)) {
      key += c;
    }
  }
  return key;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  const LineTable table(text);
  for (std::size_t i = 0; i < table.line_count(); ++i)
    lines.push_back(text.substr(table.LineStart(i), table.LineEnd(i) - table.LineStart(i)));
  return lines;
}

class MatchedOrigins : public LineOrigins {
 public:
  MatchedOrigins(std::string_view source, std::string_view processed) {
    std::vector<std::string> source_keys;
    for (std::string_view line : SplitLines(source)) source_keys.push_back(Key(line));
    const std::vector<std::string_view> processed_lines = SplitLines(processed);
    origin_.assign(processed_lines.size(), kNone);
    std::size_t next = 0;  // the first source line not yet matched past
    for (std::size_t i = 0; i < processed_lines.size(); ++i) {
      const std::string key = Key(processed_lines[i]);
      if (key.empty()) continue;
      const std::size_t end = std::min(source_keys.size(), next + kSearchWindow);
      for (std::size_t j = next; j < end; ++j)
        if (source_keys[j] == key) {
          origin_[i] = j;
          next = j + 1;
          break;
        }
    }
    FillGaps(source_keys);
  }

  std::size_t SourceLine(std::size_t processed_line) const override {
    if (origin_.empty()) return 0;
    return origin_[std::min(processed_line, origin_.size() - 1)];
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Lines between two matched ones take the unmatched source lines with
  // text between them, in order; when those run out, the last of them.
  void FillGaps(const std::vector<std::string>& source_keys) {
    std::size_t previous = kNone;
    for (std::size_t i = 0; i < origin_.size();) {
      if (origin_[i] != kNone) {
        previous = origin_[i++];
        continue;
      }
      std::size_t k = i;
      while (k < origin_.size() && origin_[k] == kNone) ++k;
      const std::size_t limit = k < origin_.size() ? origin_[k] : source_keys.size();
      std::size_t candidate = previous == kNone ? 0 : previous + 1;
      for (; i < k; ++i) {
        while (candidate < limit && source_keys[candidate].empty()) ++candidate;
        if (candidate < limit) {
          origin_[i] = candidate++;
        } else {
          origin_[i] = previous == kNone ? (limit > 0 ? limit - 1 : 0) : previous;
        }
        previous = origin_[i];
      }
    }
  }

  std::vector<std::size_t> origin_;
};

}  // namespace

std::unique_ptr<LineOrigins> MatchLineOrigins(std::string_view source, std::string_view processed) {
  return std::make_unique<MatchedOrigins>(source, processed);
}

Span SourceSpanOf(std::string_view source_line, std::string_view processed_line, std::size_t column) {
  std::size_t indent = 0;
  while (indent < source_line.size() && IsBlank(source_line[indent])) ++indent;
  std::size_t end = source_line.size();
  while (end > indent && IsBlank(source_line[end - 1])) --end;
  const Span whole{indent, end};
  const std::size_t at = column > 0 ? column - 1 : 0;
  if (at >= processed_line.size()) return whole;
  std::size_t word_end = at;
  while (word_end < processed_line.size() && IsWordByte(processed_line[word_end])) ++word_end;
  if (word_end == at) word_end = at + 1;
  const std::string_view word = processed_line.substr(at, word_end - at);
  // The same word as a whole word of the source line.
  for (std::size_t found = source_line.find(word); found != std::string_view::npos;
       found = source_line.find(word, found + 1)) {
    const bool starts = found == 0 || !IsWordByte(source_line[found - 1]) || !IsWordByte(word[0]);
    const std::size_t after = found + word.size();
    const bool ends = after >= source_line.size() || !IsWordByte(source_line[after]) || !IsWordByte(word.back());
    if (starts && ends) return {found, after};
  }
  return whole;
}

}  // namespace zarn::lsp
