// Keeps the run's line origins (Run::origins) true through the passes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "passes/run.h"
#include "text/line_origins.h"

namespace zarn {

// Runs `pass` on run.text and lines the origins of its result up with those
// of the text it was given; `moved` names lines the pass put elsewhere.
void TrackLines(Run& run, const std::function<void(std::string&)>& pass, const std::vector<MovedLine>& moved = {});

// Number of line breaks in `text` (CR LF counts once).
std::size_t CountBreaks(std::string_view text);

// The line of `text` that the byte at `offset` stands on, counting on from
// an earlier (`line`, `from`) with from <= offset.
std::size_t LineAt(std::string_view text, std::size_t offset, std::size_t& from, std::size_t& line);

}  // namespace zarn
