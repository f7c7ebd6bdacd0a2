// Keeps the run's line origins (Run::origins) true through the passes.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "passes/run.h"
#include "text/line_origins.h"

namespace zarn {

// Runs `pass` on run.text and carries the origins over to its result through
// the changes its rewrite loops report (text/edit_watch.h).
void TrackLines(Run& run, const std::function<void(std::string&)>& pass);

// TrackLines for a pass that moves lines: `moved`, filled by the pass, names
// them in order, and they stand as a group directly above every line of its
// result that holds `anchor`. There each takes the origin of the line it
// came from.
void TrackMovedLines(Run& run, const std::function<void(std::string&)>& pass, const std::vector<MovedLine>& moved,
                     std::string_view anchor);

// Number of line breaks in `text` (CR LF counts once).
std::size_t CountBreaks(std::string_view text);

// The line of `text` that the byte at `offset` stands on, counting on from
// an earlier (`line`, `from`) with from <= offset.
std::size_t LineAt(std::string_view text, std::size_t offset, std::size_t& from, std::size_t& line);

}  // namespace zarn
