// The blocks open at the current line of a check, innermost last, and the
// problems of their structure: an opener without its closer, a closer
// without its opener.
#pragma once

#include <string_view>
#include <vector>

#include "check/jass_cursor.h"

namespace zarn::jass {

class BlockStack {
 public:
  explicit BlockStack(Cursor& cursor) : cursor_(cursor) {}

  bool empty() const { return open_.empty(); }
  std::string_view outermost() const { return open_.front().opener; }
  std::string_view innermost() const { return open_.back().opener; }
  bool Contains(std::string_view opener) const;

  void Open(std::string_view opener, std::string_view closer, const Token& at);
  // Closes the innermost block that `closer` ends, reporting the blocks
  // still open inside it; a closer that ends no open block is reported at
  // the current token. Call it with the closer as the current token.
  void Close(std::string_view closer);
  // An "else" or "elseif" of the innermost block, which must be an "if"
  // without an "else" yet.
  void Branch(std::string_view word, bool is_else);
  // Reports every open block and forgets them.
  void CloseAll();
  // Forgets the open blocks without a word: another reader takes them on.
  void Forget() { open_.clear(); }

 private:
  struct Block {
    std::string_view opener, closer;
    Token at;
    bool had_else = false;
  };
  void ReportUnclosed(const Block& block);

  Cursor& cursor_;
  std::vector<Block> open_;
};

}  // namespace zarn::jass
