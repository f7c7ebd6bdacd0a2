// Folding ranges: functions, the globals block, if and loop blocks, repeat
// loops, raw blocks, //!if blocks and runs of comment lines.
#include <cctype>

#include "lsp/workspace.h"

namespace zarn::lsp {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// The first word of a line, a "//!" directive with its "//!", or "//" for a
// comment; "constant function" counts as "function".
std::string_view FirstWord(std::string_view line) {
  std::size_t at = 0;
  while (at < line.size() && IsSpace(line[at])) ++at;
  line.remove_prefix(at);
  std::size_t end = line.substr(0, 3) == "//!" ? 3 : 0;
  if (end == 0 && line.substr(0, 2) == "//") return "//";
  while (end < line.size() && (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '_')) ++end;
  const std::string_view word = line.substr(0, end);
  if (word == "constant") {
    const std::string_view rest = FirstWord(line.substr(end));
    if (rest == "function") return rest;
  }
  return word;
}

// The word that closes a block opened by `word`, or empty.
std::string_view Closer(std::string_view word) {
  if (word == "function") return "endfunction";
  if (word == "globals") return "endglobals";
  if (word == "if") return "endif";
  if (word == "loop") return "endloop";
  if (word == "repeat") return "until";
  if (word == "//!nozarn") return "//!endnozarn";
  if (word == "//!if") return "//!endif";
  return {};
}

}  // namespace

std::vector<FoldingRange> Workspace::FoldingRanges(const std::string& uri) {
  const std::shared_ptr<const Analysis> analysis = AnalysisOf(uri);
  if (!analysis) return {};
  const Analysis& a = *analysis;
  std::vector<FoldingRange> ranges;
  std::vector<std::pair<std::string_view, std::size_t>> open;  // closer, line
  std::size_t comments = 0;                                    // comment lines just before this one
  const std::size_t count = a.lines.line_count();
  for (std::size_t line = 0; line < count; ++line) {
    const std::size_t begin = a.lines.LineStart(line);
    const std::string_view word = FirstWord(std::string_view(a.text).substr(begin, a.lines.LineEnd(line) - begin));
    if (word == "//") {
      ++comments;
      continue;
    }
    if (comments >= 2) ranges.push_back({line - comments, line - 1, FoldingRange::Kind::kComment});
    comments = 0;
    // A closer ends the innermost block it closes; blocks left open inside
    // it (a fault the diagnostics show) are dropped.
    for (std::size_t i = open.size(); i-- > 0;) {
      if (open[i].first != word) continue;
      if (line > open[i].second + 1) ranges.push_back({open[i].second, line - 1, FoldingRange::Kind::kRegion});
      open.resize(i);
      break;
    }
    if (const std::string_view closer = Closer(word); !closer.empty()) open.emplace_back(closer, line);
  }
  if (comments >= 2) ranges.push_back({count - comments, count - 1, FoldingRange::Kind::kComment});
  return ranges;
}

}  // namespace zarn::lsp
