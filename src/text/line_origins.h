// Where each line of a rewritten text came from: for every line, the line of
// the first text it stems from. A pass rewrites by text, so its edits carry
// no places; the origins of its result are found by lining its lines up with
// those of the text it was given, which costs time linear in the two texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// By line of a text, from 0: the line of the first text it came from.
using LineOrigins = std::vector<std::uint32_t>;

// The lines of `text` as SplitText cuts them, as views into it.
std::vector<std::string_view> LineViews(std::string_view text);

// The number of LF bytes in `text`: its lines, where every line ends with
// CR LF, as in the passes' texts.
std::size_t CountLineFeeds(std::string_view text);

// Origins of a text whose lines are the first text's own: 0, 1, 2, ...
LineOrigins IdentityOrigins(std::string_view text);

// A line that a pass put somewhere else than where it stood: its text where
// it stands now, and the line of the pass's input it came from.
struct MovedLine {
  std::string text;
  std::size_t from_line = 0;
};

// The origins of the lines of `after`, which a pass made of `before` (whose
// lines have `origins`). Lines equal in both are lined up in order; a line
// the pass rewrote, split or joined takes the place of the line it stood
// for, and a line put in where nothing stood takes the place of the line
// before it, unless `moved` says where it came from.
LineOrigins AlignLines(std::string_view before, const LineOrigins& origins, std::string_view after,
                       const std::vector<MovedLine>& moved = {});

}  // namespace zarn
