// Suggestions for a misspelt name: the declared names within 2 edits of it
// (1 edit when either name has four characters or fewer), closest first,
// ties in declaration order. An edit inserts, deletes or replaces a byte, or
// swaps two neighbours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarn::jass {

struct Suggestion {
  std::size_t distance = 0;
  std::uint32_t rank = 0;   // of the list the name comes from; earlier lists were declared first
  std::uint32_t order = 0;  // in its list
  std::string_view name;
};

// The edits from `a` to `b`, or `limit + 1` when that is more than `limit`.
std::size_t EditDistance(std::string_view a, std::string_view b, std::size_t limit);

// The most edits a suggestion may be from `name`, for a name of `length`.
std::size_t EditLimit(std::size_t name_length, std::size_t candidate_length);

// A list of declared names that grows, searched by length: a name of length
// L is looked for among the names of lengths L-2 to L+2 only, and most of
// those are settled by the set of bytes they hold.
class NameIndex {
 public:
  // Takes in the names added to `names` since the last call, up to the
  // first `count` of them (fewer than before: the index starts again).
  void Sync(const std::vector<std::string_view>& names, std::size_t count = static_cast<std::size_t>(-1));
  // Adds the names near `name` to `out`, marked with `rank`.
  void Near(std::string_view name, std::uint32_t rank, std::vector<Suggestion>& out) const;

 private:
  struct Entry {
    std::string_view name;
    std::uint64_t bytes;  // one bit per byte value the name holds
    std::uint32_t order;
  };
  std::vector<std::vector<Entry>> by_length_;
  std::size_t indexed_ = 0;
};

// Adds `candidate` to `out` when it is near `name`.
void ConsiderName(std::string_view name, std::string_view candidate, std::uint32_t rank, std::uint32_t order,
                  std::vector<Suggestion>& out);

// " (did you mean "A"?)", " (did you mean "A" or "B"?)" or
// " (did you mean "A", "B" or "C"?)" for the best three of `found`, or empty.
std::string DidYouMean(std::vector<Suggestion>& found);

}  // namespace zarn::jass
