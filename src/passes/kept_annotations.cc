#include "passes/kept_annotations.h"

#include <vector>

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

// The lines of `text` without their line ends.
std::vector<std::string_view> LinesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end;
    if (at < text.size() && text[at] == '\r') ++at;
    if (at < text.size() && text[at] == '\n') ++at;
  }
  return lines;
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
  if (script.find("//#") == std::string_view::npos) return;
  const std::vector<std::string_view> lines = LinesOf(script);
  std::size_t run_begin = 0;  // first of the annotation lines right above line i
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (IsAnnotationLine(lines[i])) continue;
    if (run_begin < i) {
      const std::string_view function = FunctionDeclaredBy(lines[i]);
      if (!function.empty()) {
        std::string& kept = by_function_[std::string(function)];
        kept.clear();
        for (std::size_t k = run_begin; k < i; ++k) kept.append(Trimmed(lines[k])).append("\r\n");
      }
    }
    run_begin = i + 1;
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
