#include "passes/line_tracking.h"

#include <algorithm>

#include "text/edit_watch.h"

namespace zarn {

void TrackLines(Run& run, const std::function<void(std::string&)>& pass, const std::vector<MovedLine>& moved) {
  // The text is copied only when the pass is about to change it.
  EditWatch watch(run.text, run.text_before);
  pass(run.text);
  if (watch.edited()) run.origins = AlignLines(watch.before(), run.origins, run.text, moved);
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
