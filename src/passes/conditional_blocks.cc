#include "passes/conditional_blocks.h"

#include "text/rewrite.h"
#include "text/text.h"

namespace zarn {

namespace {

// The trimmed text between the first "(" and the first ")"; empty when there
// is no "(" before the first ")".
std::string ConditionName(std::string_view block) {
  std::size_t open = Pos("(", block), close = Pos(")", block);
  if (open == 0 || close < open) return std::string();
  return Trim(Copy(block, static_cast<long long>(open) + 1, static_cast<long long>(close - open) - 1));
}

std::string Resolve(std::string_view matched, std::string_view globals_block) {
  std::string block = Trim(matched);
  const bool known = Contains(globals_block, ConditionName(block));
  const bool has_true = Contains(block, "true"), has_false = Contains(block, "false");
  if (has_true == has_false) return block;  // both words or neither: undecided
  const bool keep = has_true ? known : !known;
  return keep ? StripDirectives(block) : std::string();
}

}  // namespace

std::string StripDirectives(std::string_view text) {
  std::string working(text);
  ReplaceEachMatch(working, "//!.*?$", MatchMode::kDotAllMultiLine,
                   [](std::string_view) { return std::optional<std::string>(std::string()); });
  return working;
}

void ResolveConditionalBlocks(std::string& text, std::string_view globals_block) {
  ReplaceEachMatch(text, "//!if.*//!endif", MatchMode::kWholeText, [&](std::string_view matched) {
    return std::optional<std::string>(Resolve(matched, globals_block));
  });
}

}  // namespace zarn
