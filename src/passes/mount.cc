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
  std::string value = Trim(
      Copy(mount_line, static_cast<long long>(Pos("to", mount_line)) + 2, static_cast<long long>(mount_line.size())));
  ReplaceAllIn(block, mount_line, "");
  if (closed) ReplaceAllIn(block, FirstLine(block, "^unmount.*?$"), "");
  ReplaceAllIn(block, alias, value);
  return block;
}

// The same by words: the block's first line is its mount statement and, when
// closed, its last line the unmount statement; the alias and value are the
// texts either side of the mount line's word "to" (none without it), and the
// alias is replaced where it stands as a whole word.
std::string ExpandBlockByWords(std::string_view matched, bool closed, const KeywordRule& rule) {
  std::string block = Trim(matched);
  const std::string_view mount_line = std::string_view(block).substr(0, block.find_first_of("\r\n"));
  std::string alias, value;
  if (std::size_t to = rule.Find(mount_line, "to"); to != std::string_view::npos) {
    alias = Trim(mount_line.substr(5, to - 5));
    value = Trim(mount_line.substr(to + 2));
  }
  std::string body = block.substr(mount_line.size());
  if (closed) body.erase(body.find_last_of("\r\n") + 1);
  return ReplaceWord(body, alias, value);
}

}  // namespace

void ExpandMountBlocks(std::string& text, const KeywordRule& rule) {
  const bool words = rule.words();
  const std::string closed =
      words ? rule.Statement("mount", ".*?") + rule.Statement("unmount") : "^mount.*?unmount.*?$";
  const std::string open = words ? rule.Statement("mount", ".*$") : "^mount.*$";
  auto expand = [&](bool is_closed) {
    return [&, is_closed](std::string_view matched) {
      return std::optional<std::string>(words ? ExpandBlockByWords(matched, is_closed, rule)
                                              : ExpandBlock(matched, is_closed));
    };
  };
  // A block spans lines: by words each is rewritten where it stands.
  auto rewrite = words ? ReplaceEachMatchInPlace : ReplaceEachMatch;
  rewrite(text, closed, kMode, expand(/*closed=*/true));
  // Greedy to the end of the script: at most one open mount is translated.
  rewrite(text, open, kMode, expand(/*closed=*/false));
}

}  // namespace zarn
