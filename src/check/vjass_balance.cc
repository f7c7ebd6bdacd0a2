#include "check/vjass_balance.h"

#include "check/jass_blocks.h"
#include "check/jass_cursor.h"

namespace zarn::jass {

namespace {

constexpr std::string_view kModifiers[] = {"private", "public", "static", "stub", "constant", "debug", "readonly"};

struct BlockWords {
  std::string_view opener, closer;
};

constexpr BlockWords kBlocks[] = {
    {"function", "endfunction"}, {"if", "endif"},         {"loop", "endloop"},           {"globals", "endglobals"},
    {"struct", "endstruct"},     {"method", "endmethod"}, {"library", "endlibrary"},     {"library_once", "endlibrary"},
    {"scope", "endscope"},       {"module", "endmodule"}, {"interface", "endinterface"},
};

bool IsModifier(std::string_view word) {
  for (std::string_view modifier : kModifiers)
    if (word == modifier) return true;
  return false;
}

const BlockWords* Opened(std::string_view word) {
  for (const BlockWords& block : kBlocks)
    if (word == block.opener) return &block;
  return nullptr;
}

bool IsCloser(std::string_view word) {
  for (const BlockWords& block : kBlocks)
    if (word == block.closer) return true;
  return false;
}

// The word that decides what a line does to the blocks, past its modifiers.
std::string_view LeadingWord(Cursor& cursor) {
  while ((cursor.Is(Tok::kName) || cursor.Is(Tok::kConstant) || cursor.Is(Tok::kDebug)) && IsModifier(cursor.text()))
    cursor.Advance();
  return cursor.text();
}

void BalanceLine(Cursor& cursor, BlockStack& blocks) {
  const std::string_view word = LeadingWord(cursor);
  if (IsCloser(word)) {
    blocks.Close(word);
    return;
  }
  const BlockWords* block = Opened(word);
  if (!block) return;
  // Methods of an interface and function interfaces have no body.
  if (word == "method" && !blocks.empty() && blocks.innermost() == "interface") return;
  const Token at = cursor.token();
  cursor.Advance();
  if (word == "function" && cursor.text() == "interface") return;
  blocks.Open(block->opener, block->closer, at);
}

}  // namespace

void CheckVJassBalance(std::string_view script, std::vector<JassProblem>& problems) {
  Cursor cursor(script, problems, true);
  BlockStack blocks(cursor);
  while (!cursor.Is(Tok::kEnd)) {
    BalanceLine(cursor, blocks);
    cursor.FinishLine();
  }
  blocks.CloseAll();
}

}  // namespace zarn::jass
