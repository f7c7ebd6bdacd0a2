#include "passes/line_tracking.h"

#include <algorithm>

#include "text/edit_watch.h"
#include "text/text_search.h"

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
  const std::string_view all(text);
  const std::size_t n = moved.size();
  std::size_t line = 0, counted = 0;  // the line of `text` that byte `counted` stands on
  for (std::size_t at = FindText(all, anchor); at != std::string_view::npos;) {
    std::size_t begin = all.rfind('\n', at);
    begin = begin == std::string_view::npos ? 0 : begin + 1;
    line += CountLineFeeds(all.substr(counted, begin - counted));
    counted = begin;
    // The lines above, from the nearest up, against the moved ones from the last.
    std::size_t end = begin;
    for (std::size_t t = n; t-- > 0 && end > 0 && line >= n - t;) {
      std::size_t start = end >= 2 ? all.rfind('\n', end - 2) : std::string_view::npos;
      start = start == std::string_view::npos ? 0 : start + 1;
      std::string_view above = all.substr(start, end - 1 - start);
      if (!above.empty() && above.back() == '\r') above.remove_suffix(1);
      const std::string_view decl = moved[t].text;
      const bool same =
          t == 0 ? above.size() >= decl.size() && above.substr(above.size() - decl.size()) == decl : above == decl;
      const std::size_t k = line - (n - t);
      if (same && k < origins.size()) origins[k] = OriginOf(input, moved[t].from_line);
      end = start;
    }
    const std::size_t next_line = all.find('\n', at);
    if (next_line == std::string_view::npos) break;
    at = FindText(all, anchor, next_line + 1);
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
