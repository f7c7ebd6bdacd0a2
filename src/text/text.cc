#include "text/text.h"

#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/errors.h"
#include "text/edit_watch.h"
#include "text/match_limit_error.h"

#include "text/rewrite_engine.h"

namespace zarn {

std::size_t Pos(std::string_view needle, std::string_view hay) {
  if (needle.empty()) return 0;
  std::size_t at = hay.find(needle);
  return at == std::string_view::npos ? 0 : at + 1;
}

std::string_view CopyView(std::string_view s, long long start, long long count) {
  if (start < 1) start = 1;
  long long size = static_cast<long long>(s.size());
  if (start > size || count < 0) return {};
  long long available = size - start + 1;
  if (count > available) count = available;
  return s.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count));
}

std::string Copy(std::string_view s, long long start, long long count) {
  return std::string(CopyView(s, start, count));
}

void Delete(std::string& s, long long start, long long count) {
  long long size = static_cast<long long>(s.size());
  if (start < 1 || start > size || count <= 0) return;
  long long available = size - start + 1;
  if (count > available) count = available;
  s.erase(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count));
}

std::string_view TrimView(std::string_view s) {
  std::size_t begin = 0, end = s.size();
  while (begin < end && static_cast<unsigned char>(s[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(s[end - 1]) <= 32) --end;
  return s.substr(begin, end - begin);
}

namespace {
thread_local bool budget_active = false;
thread_local unsigned long long budget_remaining = 0;
}  // namespace

RewriteBudget::RewriteBudget(std::size_t script_size)
    : outer_active_(budget_active), outer_remaining_(budget_remaining) {
  // Ordinary scripts use a small multiple of their size; this leaves seconds
  // of work, not minutes.
  budget_active = true;
  budget_remaining = (2ull << 30) + 256ull * script_size;
}

RewriteBudget::~RewriteBudget() {
  budget_active = outer_active_;
  budget_remaining = outer_remaining_;
}

void ChargeRewriteWork(std::size_t bytes) {
  if (!budget_active) return;
  if (bytes > budget_remaining) {
    budget_remaining = 0;
    throw MatchLimitError();
  }
  budget_remaining -= bytes;
}

void ChargeRewriteGrowth(std::size_t grown, std::size_t original) {
  if (budget_active && grown > 8 * original + (std::size_t(1) << 20)) {
    budget_remaining = 0;
    throw MatchLimitError();
  }
}

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
  std::string out;
  if (from.empty()) return std::string(s);
  ChargeRewriteWork(s.size());
  std::size_t at = s.find(from);
  if (at == std::string_view::npos) return std::string(s);
  out.reserve(s.size());
  std::size_t done = 0;
  while (at != std::string_view::npos) {
    out.append(s, done, at - done);
    out.append(to);
    done = at + from.size();
    at = s.find(from, done);
  }
  out.append(s, done);
  ChargeRewriteWork(out.size());
  return out;
}

bool ReplaceAllIn(std::string& s, std::string_view from, std::string_view to) {
  if (from.empty()) return false;
  ChargeRewriteWork(s.size());
  std::size_t at = s.find(from);
  if (at == std::string::npos) return false;
  if (EditWatch::Watches(s)) {
    std::vector<Splice> splices;
    for (; at != std::string::npos; at = s.find(from, at + from.size())) splices.push_back({at, from.size(), to});
    EditWatch::NoteSplices(s, splices);
  }
  s = ReplaceAll(s, from, to);
  return true;
}

bool ReplaceFirstIn(std::string& s, std::string_view from, std::string_view to) {
  if (from.empty()) return false;
  ChargeRewriteWork(s.size());
  std::size_t at = s.find(from);
  if (at == std::string::npos) return false;
  if (EditWatch::Watches(s)) EditWatch::NoteSplices(s, {{at, from.size(), to}});
  s.replace(at, from.size(), to);
  return true;
}

bool DeleteFirstIn(std::string& s, std::string_view what) { return ReplaceFirstIn(s, what, ""); }

namespace {
bool IsCollapsible(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f'; }
}  // namespace

bool HasCollapsibleRun(std::string_view text) {
  std::size_t i = 1;
#if defined(__SSE2__)
  // Sixteen bytes at a time: a mask of the collapsible ones, and whether two
  // stand side by side, within the block or across its start.
  const __m128i blank = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t'), cr = _mm_set1_epi8('\r'),
                feed = _mm_set1_epi8('\f');
  unsigned previous = text.empty() ? 0u : static_cast<unsigned>(IsCollapsible(text[0]));
  for (; i + 16 <= text.size(); i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, blank), _mm_cmpeq_epi8(block, tab)),
                                     _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, feed)));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (mask & ((mask << 1) | previous)) return true;
    previous = mask >> 15;
  }
#endif
  for (; i < text.size(); ++i)
    if (IsCollapsible(text[i]) && IsCollapsible(text[i - 1])) return true;
  return false;
}

std::string CollapseWhitespace(std::string_view text) {
  // The runs are those of the original text; each one is replaced everywhere in
  // the working string, which may already have been changed by earlier runs.
  std::vector<std::string_view> runs;
  for (std::size_t i = 0; i < text.size();) {
    if (!IsCollapsible(text[i])) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < text.size() && IsCollapsible(text[j])) ++j;
    if (j - i >= 2) runs.push_back(text.substr(i, j - i));
    i = j;
  }
  std::string working(text);
  if (runs.size() <= 2) {
    for (std::string_view run : runs) ReplaceAllIn(working, run, " ");
    return working;
  }
  std::vector<Edit> edits;
  edits.reserve(runs.size());
  for (std::string_view run : runs) edits.push_back({std::string(run), " ", Edit::kEvery});
  ApplyEditsInOrder(working, edits);
  return working;
}

}  // namespace zarn
