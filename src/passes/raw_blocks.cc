#include "passes/raw_blocks.h"

#include <algorithm>

#include "text/rewrite.h"

namespace zarn {

namespace {

constexpr char kRawBlock[] = "//!nozarn.*?//!endnozarn";
constexpr std::size_t kOpenLength = 9;    // "//!nozarn"
constexpr std::size_t kCloseLength = 12;  // "//!endnozarn"

}  // namespace

// Each body is cut out of its own block, so every block becomes the
// placeholder "//!nozarn//!endnozarn" even when the same text stands earlier.
void SplitRawBlocks(Run& run) {
  std::size_t n = 0;
  DeletePartOfEachMatchInPlace(run.text, kRawBlock, MatchMode::kWholeText, [&](std::string_view block) {
    std::size_t body_length = block.size() - kOpenLength - kCloseLength;
    run.raw_blocks.resize(std::max(run.raw_blocks.size(), n + 1));
    run.raw_blocks[n++] = std::string(block.substr(kOpenLength, body_length));
    run.raw_blocks.resize(n + 1);
    run.raw_blocks[n].clear();
    return MatchPart{kOpenLength, body_length};
  });
}

// The n-th block found receives the n-th stored body; blocks beyond the stored
// bodies are removed.
void JoinRawBlocks(Run& run) {
  std::size_t n = 0;
  ReplaceFirstForEachMatch(run.text, kRawBlock, MatchMode::kWholeText, [&](std::string_view) {
    std::size_t entry = n++;
    return entry < run.raw_blocks.size() ? run.raw_blocks[entry] : std::string();
  });
}

}  // namespace zarn
