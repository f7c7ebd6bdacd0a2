#include "passes/raw_blocks.h"

#include <algorithm>

#include "passes/line_tracking.h"
#include "text/edit_watch.h"
#include "text/line_origins.h"
#include "text/matcher.h"
#include "text/rewrite.h"
#include "text/text_search.h"

namespace zarn {

namespace {

constexpr char kRawBlock[] = "//!nozarn.*?//!endnozarn";
constexpr std::size_t kOpenLength = 9;    // "//!nozarn"
constexpr std::size_t kCloseLength = 12;  // "//!endnozarn"

}  // namespace

// Each body is cut out of its own block, so every block becomes the
// placeholder "//!nozarn//!endnozarn" even when the same text stands earlier.
// Each body's lines keep their origins beside it while it is out, and the
// lines of the text lose those of the bodies.
void SplitRawBlocks(Run& run) {
  std::size_t n = 0;
  std::size_t from = 0, line = 0;
  std::vector<std::pair<std::size_t, std::size_t>> taken;  // first line and line breaks of each body
  run.raw_block_origins.clear();
  auto origin = [&](std::size_t k) {
    return run.origins.empty() ? 0u : run.origins[std::min(k, run.origins.size() - 1)];
  };
  DeletePartOfEachMatchInPlace(run.text, kRawBlock, MatchMode::kWholeText, [&](std::string_view block) {
    std::size_t body_length = block.size() - kOpenLength - kCloseLength;
    run.raw_blocks.resize(std::max(run.raw_blocks.size(), n + 1));
    run.raw_blocks[n++] = std::string(block.substr(kOpenLength, body_length));
    run.raw_blocks.resize(n + 1);
    run.raw_blocks[n].clear();
    const std::size_t first = LineAt(run.text, static_cast<std::size_t>(block.data() - run.text.data()), from, line);
    const std::size_t breaks = CountBreaks(run.raw_blocks[n - 1]);
    LineOrigins body(breaks + 1);
    for (std::size_t t = 0; t < body.size(); ++t) body[t] = origin(first + t);
    run.raw_block_origins.push_back(std::move(body));
    taken.emplace_back(first, breaks);
    return MatchPart{kOpenLength, body_length};
  });
  if (taken.empty() || run.origins.empty()) return;
  LineOrigins kept;
  kept.reserve(run.origins.size());
  std::size_t next = 0;
  for (auto [first, breaks] : taken) {
    const std::size_t keep_to = std::min(first + 1, run.origins.size());
    if (keep_to > next) kept.insert(kept.end(), run.origins.begin() + next, run.origins.begin() + keep_to);
    next = std::max(next, std::min(first + 1 + breaks, run.origins.size()));
  }
  if (next < run.origins.size()) kept.insert(kept.end(), run.origins.begin() + next, run.origins.end());
  run.origins = std::move(kept);
}

namespace {

// The origins of the text JoinRawBlocks makes of `text`, each block that the
// scan finds taking the body that the join gives it, where it stands; false
// when the join did otherwise (the result has another number of lines).
bool JoinedOrigins(Run& run, const std::string& text, const std::string& joined) {
  LineOrigins out;
  std::size_t line = 0;
  auto origin = [&](std::size_t k) {
    return run.origins.empty() ? 0u : run.origins[std::min(k, run.origins.size() - 1)];
  };
  std::uint32_t current = origin(0);
  auto take = [&](std::string_view part, const LineOrigins* body) {
    if (!body) {
      // The text's own lines, which end with CR LF.
      const std::size_t breaks = CountLineFeeds(part);
      for (std::size_t k = 0; k < breaks; ++k) {
        out.push_back(current);
        current = origin(++line);
      }
      return;
    }
    std::size_t t = 0;
    for (std::size_t i = 0; i < part.size(); ++i) {
      const bool ends = part[i] == '\n' || (part[i] == '\r' && (i + 1 == part.size() || part[i + 1] != '\n'));
      if (!ends) continue;
      out.push_back(current);
      ++t;
      if (t < body->size()) current = (*body)[t];
    }
  };
  // The blocks as the join's scan finds them: from "//!nozarn" to the
  // nearest "//!endnozarn" after it.
  constexpr std::string_view kOpen = "//!nozarn", kClose = "//!endnozarn";
  std::size_t done = 0, n = 0;
  for (std::size_t at = FindText(text, kOpen, 0); at != std::string::npos; at = FindText(text, kOpen, done), ++n) {
    const std::size_t close = FindText(text, kClose, at + kOpen.size());
    if (close == std::string::npos) break;
    const std::string_view block = std::string_view(text).substr(at, close + kClose.size() - at);
    take(std::string_view(text).substr(done, at - done), nullptr);
    const std::size_t block_line = line + CountBreaks(block);
    if (n < run.raw_blocks.size() && n < run.raw_block_origins.size()) {
      if (!run.raw_block_origins[n].empty()) current = run.raw_block_origins[n].front();
      take(run.raw_blocks[n], &run.raw_block_origins[n]);
    }
    line = block_line;
    if (CountBreaks(block) > 0) current = origin(line);
    done = at + block.size();
  }
  take(std::string_view(text).substr(done), nullptr);
  if (!text.empty() && text.back() != '\n' && text.back() != '\r') out.push_back(current);
  if (out.size() != LineCount(joined)) return false;
  run.origins = std::move(out);
  return true;
}

}  // namespace

// The n-th block found receives the n-th stored body; blocks beyond the stored
// bodies are removed.
void JoinRawBlocks(Run& run) {
  if (FindText(run.text, "//!nozarn") == std::string::npos) return;
  auto join = [&run](std::string& text) {
    std::size_t n = 0;
    ReplaceFirstForEachMatch(text, kRawBlock, MatchMode::kWholeText, [&](std::string_view) {
      std::size_t entry = n++;
      return entry < run.raw_blocks.size() ? run.raw_blocks[entry] : std::string();
    });
  };
  // Each body's lines take the origins kept beside it, found in the text
  // before the join; should the join have done otherwise, the join is done
  // again on that text under a watch, and the origins its rewrites report
  // stand.
  const std::string before = run.text;
  join(run.text);
  if (JoinedOrigins(run, before, run.text)) return;
  std::string again = before;
  EditWatch watch(again, run.origins);
  join(again);
}

}  // namespace zarn
