#include "passes/line_tracking.h"

#include <algorithm>

#include "text/edit_watch.h"

namespace zarn {

void TrackLines(Run& run, const std::function<void(std::string&)>& pass) {
  EditWatch watch(run.text, run.origins);
  pass(run.text);
}

namespace {

std::uint32_t OriginOf(const LineOrigins& origins, std::size_t line) {
  return origins.empty() ? 0u : origins[std::min(line, origins.size() - 1)];
}

// Each group of moved lines above a line holding `anchor` takes their
// origins in `input` (a line whose text ends with the moved one was joined to
// what stood before it, and counts as moved too).
void PlaceMovedLines(const std::string& text, LineOrigins& origins, const LineOrigins& input,
                     const std::vector<MovedLine>& moved, std::string_view anchor) {
  // Lines as the origins count them: up to each LF, without its CR.
  std::vector<std::string_view> lines;
  for (std::size_t from = 0; from < text.size();) {
    std::size_t end = std::min(text.find('\n', from), text.size());
    std::string_view line = std::string_view(text).substr(from, end - from);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    from = end + 1;
  }
  const std::size_t n = moved.size();
  for (std::size_t i = n; i < lines.size() && i < origins.size(); ++i) {
    if (lines[i].find(anchor) == std::string_view::npos) continue;
    for (std::size_t t = 0; t < n; ++t) {
      const std::string_view line = lines[i - n + t];
      const std::string_view decl = moved[t].text;
      const bool same =
          t == 0 ? line.size() >= decl.size() && line.substr(line.size() - decl.size()) == decl : line == decl;
      if (same) origins[i - n + t] = OriginOf(input, moved[t].from_line);
    }
  }
}

}  // namespace

void TrackMovedLines(Run& run, const std::function<void(std::string&)>& pass, const std::vector<MovedLine>& moved,
                     std::string_view anchor) {
  const LineOrigins input = run.origins;
  TrackLines(run, pass);
  if (!moved.empty()) PlaceMovedLines(run.text, run.origins, input, moved, anchor);
}

std::size_t CountBreaks(std::string_view text) {
  std::size_t breaks = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n')
      ++breaks;
    else if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))
      ++breaks;
  }
  return breaks;
}

std::size_t LineAt(std::string_view text, std::size_t offset, std::size_t& from, std::size_t& line) {
  // The passes' texts end every line with CR LF: lines are counted by their LF.
  line += CountLineFeeds(text.substr(from, offset - from));
  from = offset;
  return line;
}

}  // namespace zarn
