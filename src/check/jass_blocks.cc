#include "check/jass_blocks.h"

#include <string>

namespace zarn::jass {

bool BlockStack::Contains(std::string_view opener) const {
  for (const Block& block : open_)
    if (block.opener == opener) return true;
  return false;
}

void BlockStack::Open(std::string_view opener, std::string_view closer, const Token& at) {
  open_.push_back({opener, closer, at});
}

void BlockStack::ReportUnclosed(const Block& block) {
  cursor_.ReportAt(block.at, Quote(block.opener) + " without " + Quote(block.closer));
}

void BlockStack::Close(std::string_view closer) {
  std::size_t match = open_.size();
  while (match > 0 && open_[match - 1].closer != closer) --match;
  if (match == 0) {
    std::string opener(closer.substr(3));  // "endloop" -> "loop"
    cursor_.ReportHere(Quote(closer) + " without " + Quote(opener));
    return;
  }
  for (std::size_t i = match; i < open_.size(); ++i) ReportUnclosed(open_[i]);
  open_.resize(match - 1);
}

void BlockStack::Branch(std::string_view word, bool is_else) {
  if (open_.empty() || open_.back().opener != "if") {
    cursor_.ReportHere(Quote(word) + " without \"if\"");
  } else if (open_.back().had_else) {
    cursor_.ReportHere(Quote(word) + " after \"else\"");
  } else {
    open_.back().had_else = is_else;
  }
}

void BlockStack::CloseAll() {
  for (const Block& block : open_) ReportUnclosed(block);
  open_.clear();
}

}  // namespace zarn::jass
