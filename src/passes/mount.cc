#include "passes/mount.h"

#include "text/matcher.h"
#include "text/rewrite.h"
#include "text/text.h"

namespace zarn {

namespace {

constexpr MatchMode kMode = MatchMode::kDotAllMultiLine;

// The block's own first line matching `pattern`, or "" when there is none.
std::string FirstLine(std::string_view block, const char* pattern) {
  Matcher m(pattern, kMode);
  return m.Scan(block) ? std::string(m.Matched()) : std::string();
}

// The block with its mount (and, when closed, unmount) line emptied and the
// alias replaced by the value throughout.
std::string ExpandBlock(std::string_view matched, bool closed) {
  std::string block = Trim(matched);
  // The alias ends at the first "to" of the block, wherever that is.
  std::string alias = Trim(Copy(block, 6, static_cast<long long>(Pos("to", block)) - 6));
  std::string mount_line = FirstLine(block, "^mount.*?$");
  std::string value = Trim(Copy(mount_line, static_cast<long long>(Pos("to", mount_line)) + 2,
                                static_cast<long long>(mount_line.size())));
  ReplaceAllIn(block, mount_line, "");
  if (closed) ReplaceAllIn(block, FirstLine(block, "^unmount.*?$"), "");
  ReplaceAllIn(block, alias, value);
  return block;
}

}  // namespace

void ExpandMountBlocks(std::string& text) {
  ReplaceEachMatch(text, "^mount.*?unmount.*?$", kMode, [](std::string_view matched) {
    return std::optional<std::string>(ExpandBlock(matched, /*closed=*/true));
  });
  // Greedy to the end of the script: at most one open mount is translated.
  ReplaceEachMatch(text, "^mount.*$", kMode, [](std::string_view matched) {
    return std::optional<std::string>(ExpandBlock(matched, /*closed=*/false));
  });
}

}  // namespace zarn
