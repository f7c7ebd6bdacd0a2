#include "passes/kept_annotations.h"

#include <vector>

#include "text/script.h"
#include "text/text_search.h"

namespace zarn {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::string_view Trimmed(std::string_view line) {
  while (!line.empty() && static_cast<unsigned char>(line.front()) <= 32) line.remove_prefix(1);
  while (!line.empty() && static_cast<unsigned char>(line.back()) <= 32) line.remove_suffix(1);
  return line;
}

// `line` after `word` and the blanks that follow it; empty unless at least
// one blank follows.
std::string_view AfterWord(std::string_view line, std::string_view word) {
  if (line.substr(0, word.size()) != word || line.size() == word.size() || !IsBlank(line[word.size()])) return {};
  line.remove_prefix(word.size());
  while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
  return line;
}

// The line of `text` that begins at `at`, without its line end, and where the
// next line begins.
std::string_view LineFrom(std::string_view text, std::size_t at, std::size_t& next) {
  const std::size_t end = FindLineBreak(text, at);
  next = end;
  if (next < text.size() && text[next] == '\r') ++next;
  if (next < text.size() && text[next] == '\n') ++next;
  return text.substr(at, end - at);
}

// Where the line holding the byte at `at` begins.
std::size_t LineStart(std::string_view text, std::size_t at) {
  while (at > 0 && text[at - 1] != '\r' && text[at - 1] != '\n') --at;
  return at;
}

}  // namespace

bool IsAnnotationLine(std::string_view line) {
  line = Trimmed(line);
  if (line.substr(0, 3) != "//#") return false;
  line.remove_prefix(3);
  bool flags = false;
  while (true) {
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    if (line.empty()) return flags;
    if (line.front() != '+' && line.front() != '-') return false;
    std::size_t end = 1;
    while (end < line.size() && IsNameByte(line[end])) ++end;
    if (end == 1 || (end < line.size() && !IsBlank(line[end]))) return false;
    line.remove_prefix(end);
    flags = true;
  }
}

std::string_view FunctionDeclaredBy(std::string_view line) {
  while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
  if (std::string_view rest = AfterWord(line, "constant"); !rest.empty()) line = rest;
  line = AfterWord(line, "function");
  std::size_t end = 0;
  while (end < line.size() && IsNameByte(line[end])) ++end;
  return line.substr(0, end);
}

void KeptAnnotations::Collect(std::string_view script) {
  script = script.substr(0, script.find('\0'));
  // Only the lines holding "//#" can begin a row of annotations.
  std::size_t done = 0;  // every row that begins before this has been read
  for (std::size_t at = FindText(script, "//#"); at != std::string_view::npos; at = FindText(script, "//#", done)) {
    std::size_t begin = LineStart(script, at), next = 0;
    std::string_view line = LineFrom(script, begin, next);
    done = next;
    if (begin >= script.size() || !IsAnnotationLine(line)) continue;
    const std::size_t first = begin;
    while (IsAnnotationLine(line) && begin < script.size()) {
      begin = next;
      line = LineFrom(script, begin, next);
    }
    // The row ends at a line `line` starting at `begin`, or at the end.
    if (begin < script.size()) {
      const std::string_view function = FunctionDeclaredBy(line);
      if (!function.empty()) {
        std::string& kept = by_function_[std::string(function)];
        kept.clear();
        for (std::size_t k = first, after = 0; k < begin; k = after)
          kept.append(Trimmed(LineFrom(script, k, after))).append("\r\n");
      }
    }
    done = begin;
  }
}

void KeptAnnotations::PutBack(std::string& text, LineOrigins* origins) const {
  if (by_function_.empty()) return;
  std::string out;
  out.reserve(text.size() + 64 * by_function_.size());
  LineOrigins placed;
  std::size_t at = 0, line_index = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string_view line(text.data() + at, end - at);
    const std::uint32_t origin =
        origins && !origins->empty() ? (*origins)[std::min(line_index, origins->size() - 1)] : 0;
    const std::string_view function = FunctionDeclaredBy(line);
    if (!function.empty()) {
      if (auto it = by_function_.find(std::string(function)); it != by_function_.end()) {
        out += it->second;
        // The annotations stood right above the function's line.
        const std::size_t count = CountLineFeeds(it->second);
        for (std::size_t k = 0; k < count && origins; ++k)
          placed.push_back(origin >= count - k ? static_cast<std::uint32_t>(origin - (count - k)) : origin);
      }
    }
    if (origins) placed.push_back(origin);
    out += line;
    at = end;
    ++line_index;
  }
  text.swap(out);
  if (origins) origins->swap(placed);
}

}  // namespace zarn
