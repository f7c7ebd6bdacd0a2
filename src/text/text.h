// String conventions shared by every pass: 1-based positions with clamping,
// trimming of control bytes, and the three text rewrite idioms.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zarn {

// 1-based position of the first occurrence of `needle` in `hay`; 0 when it
// does not occur or `needle` is empty.
std::size_t Pos(std::string_view needle, std::string_view hay);

// Substring test; an empty needle never occurs.
inline bool Contains(std::string_view hay, std::string_view needle) {
  return !needle.empty() && hay.find(needle) != std::string_view::npos;
}

// Copy of (start, count) with 1-based start: a start below 1 counts as 1; a
// start past the end or a negative count gives ""; the count stops at the end.
std::string Copy(std::string_view s, long long start, long long count);
// The same bytes, as a view into `s`.
std::string_view CopyView(std::string_view s, long long start, long long count);

// Deletes (start, count); nothing happens for a start below 1 or past the end,
// or a count that is not positive.
void Delete(std::string& s, long long start, long long count);

// Removes every byte with a code of 32 or less from both ends.
std::string_view TrimView(std::string_view s);
inline std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

// Replaces every occurrence of `from`, scanning left to right in the original
// string so that occurrences never overlap and the replacement is never
// searched. An empty `from` changes nothing.
std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);

// In-place form of ReplaceAll; returns whether anything was replaced.
bool ReplaceAllIn(std::string& s, std::string_view from, std::string_view to);

// Replaces the leftmost occurrence only.
bool ReplaceFirstIn(std::string& s, std::string_view from, std::string_view to);

// Deletes the leftmost occurrence; nothing happens when there is none.
bool DeleteFirstIn(std::string& s, std::string_view what);

// Bounds the text rewriting of one preprocessing run. The rewrite rules can
// make a small script grow without end (each of many identical statements
// rewritten into a text that holds the statement again), so while a budget is
// in force, every rewrite charges the bytes it reads and writes, and work
// beyond the budget throws MatchLimitError: the run ends as too complex to
// process instead of hanging. Without a budget nothing is counted.
class RewriteBudget {
 public:
  explicit RewriteBudget(std::size_t script_size);
  ~RewriteBudget();
  RewriteBudget(const RewriteBudget&) = delete;
  RewriteBudget& operator=(const RewriteBudget&) = delete;

 private:
  bool outer_active_;
  unsigned long long outer_remaining_;
};

// Charges rewriting work against the budget in force, if any.
void ChargeRewriteWork(std::size_t bytes);

// Under a budget, refuses (as too complex) a pass whose rewrites have made
// its text of `original` bytes `grown` bytes longer than ordinary scripts
// ever do: more than eight times its length and a megabyte. Identical
// statements that each rewrite every copy of themselves grow with the square
// of their number; this stops them before that work is done.
void ChargeRewriteGrowth(std::size_t grown, std::size_t original);

// Each run of two or more blanks, tabs, CRs or form feeds, as found in the
// original text, is replaced everywhere in the working string by one blank.
std::string CollapseWhitespace(std::string_view text);

// True when `text` holds a run that CollapseWhitespace would replace; without
// one it returns the text unchanged, so callers can skip the copy.
bool HasCollapsibleRun(std::string_view text);

}  // namespace zarn
