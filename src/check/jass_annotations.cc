#include "check/jass_annotations.h"

#include <vector>

namespace zarn::jass {

namespace {

bool* FlagOf(std::string_view word, CheckFlags& flags) {
  if (word == "nosemanticerror") return &flags.semantic;
  if (word == "rb") return &flags.return_type;
  if (word == "noruntimeerror") return &flags.runtime;
  return nullptr;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Lines of a text, each without its line end.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool AtEnd() const { return pos_ >= text_.size(); }
  std::size_t pos() const { return pos_; }
  void Seek(std::size_t pos) { pos_ = pos; }
  std::string_view Next() {
    const std::size_t begin = pos_;
    std::size_t end = text_.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = text_.size();
    pos_ = end;
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n' && (pos_ == end || text_[pos_ - 1] == '\r')) ++pos_;
    return text_.substr(begin, end - begin);
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

std::string_view SkipBlanks(std::string_view line) {
  std::size_t at = 0;
  while (at < line.size() && IsBlank(line[at])) ++at;
  return line.substr(at);
}

// After `word` and at least one blank, or empty when `line` does not start so.
std::string_view AfterWord(std::string_view line, std::string_view word) {
  if (line.substr(0, word.size()) != word || line.size() == word.size() || !IsBlank(line[word.size()])) return {};
  return SkipBlanks(line.substr(word.size()));
}

// The function a line declares, or empty.
std::string_view DeclaredFunction(std::string_view line) {
  line = SkipBlanks(line);
  if (std::string_view rest = AfterWord(line, "constant"); !rest.empty()) line = rest;
  line = AfterWord(line, "function");
  std::size_t end = 0;
  while (end < line.size() && IsNameByte(line[end])) ++end;
  return line.substr(0, end);
}

}  // namespace

void ApplyAnnotation(std::string_view comment, CheckFlags& flags) {
  if (comment.substr(0, 3) != "//#") return;
  std::string_view rest = comment.substr(3);
  while (!rest.empty()) {
    const std::size_t begin = rest.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return;
    rest.remove_prefix(begin);
    const std::size_t end = std::min(rest.find_first_of(" \t\r\n"), rest.size());
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    if (word.size() < 2 || (word[0] != '+' && word[0] != '-')) return;
    bool* flag = FlagOf(word.substr(1), flags);
    if (!flag) return;
    *flag = word[0] == '-';  // "+name" turns the "no..." switch on, the check off
  }
}

const CheckFlags* FunctionAnnotations::Find(std::string_view function) const {
  if (by_name_.empty()) return nullptr;
  const auto it = by_name_.find(function);
  return it == by_name_.end() ? nullptr : &it->second;
}

FunctionAnnotations CollectFunctionAnnotations(std::string_view script) {
  FunctionAnnotations found;
  LineReader lines(script);
  for (std::size_t hit = script.find("//#"); hit != std::string_view::npos; hit = script.find("//#", lines.pos())) {
    // Back to the start of the line that holds it.
    std::size_t start = hit;
    while (start > 0 && script[start - 1] != '\n' && script[start - 1] != '\r') --start;
    lines.Seek(start);
    CheckFlags flags;
    bool annotated = false;
    std::string_view line;
    while (!lines.AtEnd()) {
      line = SkipBlanks(lines.Next());
      if (line.substr(0, 3) != "//#") break;
      ApplyAnnotation(line, flags);
      annotated = true;
    }
    if (!annotated) continue;  // "//#" inside a line
    const std::string_view function = DeclaredFunction(line);
    if (!function.empty()) found.Set(function, flags);
  }
  return found;
}

}  // namespace zarn::jass
