#include "check/jass_annotations.h"

namespace zarn::jass {

namespace {

bool* FlagOf(std::string_view word, CheckFlags& flags) {
  if (word == "nosemanticerror") return &flags.semantic;
  if (word == "rb") return &flags.return_type;
  if (word == "noruntimeerror") return &flags.runtime;
  return nullptr;
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

}  // namespace zarn::jass
