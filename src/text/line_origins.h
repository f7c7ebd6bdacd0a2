// Where each line of a rewritten text came from: for every line, the line of
// the first text it stems from. Every rewrite says where its changes land
// (text/edit_watch.h), and the origins of its result follow from them.
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
// Lines of `text` (up to its first NUL) as its origins count them.
std::size_t LineCount(std::string_view text);

// Origins of a text whose lines are the first text's own: 0, 1, 2, ...
LineOrigins IdentityOrigins(std::string_view text);

// One change a rewrite makes to a text: the bytes [at, at + length) of the
// text before it are replaced by `text`.
struct Splice {
  std::size_t at = 0;
  std::size_t length = 0;
  std::string_view text;
};

// Carries `origins`, one per line of `before`, over to the text that
// `splices` (in order, not overlapping) make of `before`. Bytes a splice keeps (what its
// replacement shares with the replaced bytes at either end) and bytes outside
// every splice keep their line; a line that begins with them takes that
// line's origin. Inside a splice the n-th line its replacement begins stands
// for the n-th line that the replaced bytes began, or for the last of them.
// Costs nothing beyond a count of line feeds when every splice keeps the
// number of lines.
void SpliceOrigins(std::string_view before, LineOrigins& origins, const std::vector<Splice>& splices);

// A line that a pass put somewhere else than where it stood: its text where
// it stands now, and the line of the pass's input it came from.
struct MovedLine {
  std::string text;
  std::size_t from_line = 0;
};

}  // namespace zarn
