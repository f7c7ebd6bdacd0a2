#include "check/jass_suggestions.h"

#include <algorithm>
#include <bit>

namespace zarn::jass {

namespace {

constexpr std::size_t kMaxEdits = 2;
constexpr std::size_t kShortName = 4;
constexpr std::size_t kMaxSuggestions = 3;

// Letters, digits and "_" each have a bit of their own; other bytes share one.
std::uint64_t ByteBit(unsigned char c) {
  unsigned bit = 63;
  if (c >= 'a' && c <= 'z')
    bit = c - 'a';
  else if (c >= 'A' && c <= 'Z')
    bit = 26 + (c - 'A');
  else if (c >= '0' && c <= '9')
    bit = 52 + (c - '0');
  else if (c == '_')
    bit = 62;
  return std::uint64_t{1} << bit;
}

std::uint64_t BytesOf(std::string_view name) {
  std::uint64_t bits = 0;
  for (char c : name) bits |= ByteBit(static_cast<unsigned char>(c));
  return bits;
}

}  // namespace

std::size_t EditLimit(std::size_t name_length, std::size_t candidate_length) {
  return std::min(name_length, candidate_length) <= kShortName ? 1 : kMaxEdits;
}

// Optimal string alignment distance, computed only within `limit` of the
// diagonal: three rows of |b| + 1 cells, and a stop once a row exceeds it.
std::size_t EditDistance(std::string_view a, std::string_view b, std::size_t limit) {
  const std::size_t n = a.size(), m = b.size(), over = limit + 1;
  if ((n > m ? n - m : m - n) > limit) return over;
  std::vector<std::size_t> before(m + 1, over), previous(m + 1, over), row(m + 1, over);
  for (std::size_t j = 0; j <= std::min(m, limit); ++j) previous[j] = j;
  for (std::size_t i = 1; i <= n; ++i) {
    std::fill(row.begin(), row.end(), over);
    const std::size_t from = i > limit ? i - limit : 1, to = std::min(m, i + limit);
    if (i <= limit) row[0] = i;
    std::size_t best = row[0];
    for (std::size_t j = from; j <= to; ++j) {
      std::size_t d = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      d = std::min({d, previous[j] + 1, row[j - 1] + 1});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d = std::min(d, before[j - 2] + 1);
      row[j] = std::min(d, over);
      best = std::min(best, row[j]);
    }
    if (best > limit) return over;
    std::swap(before, previous);
    std::swap(previous, row);
  }
  return previous[m];
}

void ConsiderName(std::string_view name, std::string_view candidate, std::uint32_t rank, std::uint32_t order,
                  std::vector<Suggestion>& out) {
  const std::size_t limit = EditLimit(name.size(), candidate.size());
  const std::size_t distance = EditDistance(name, candidate, limit);
  if (distance <= limit && distance > 0) out.push_back({distance, rank, order, candidate});
}

void NameIndex::Sync(const std::vector<std::string_view>& names, std::size_t count) {
  count = std::min(count, names.size());
  if (count < indexed_) {
    by_length_.clear();
    indexed_ = 0;
  }
  for (; indexed_ < count; ++indexed_) {
    const std::string_view name = names[indexed_];
    if (by_length_.size() <= name.size()) by_length_.resize(name.size() + 1);
    by_length_[name.size()].push_back({name, BytesOf(name), static_cast<std::uint32_t>(indexed_)});
  }
}

void NameIndex::Near(std::string_view name, std::uint32_t rank, std::vector<Suggestion>& out) const {
  const std::uint64_t bytes = BytesOf(name);
  const std::size_t low = name.size() > kMaxEdits ? name.size() - kMaxEdits : 0;
  for (std::size_t length = low; length <= name.size() + kMaxEdits && length < by_length_.size(); ++length) {
    const std::size_t limit = EditLimit(name.size(), length);
    if ((length > name.size() ? length - name.size() : name.size() - length) > limit) continue;
    for (const Entry& entry : by_length_[length]) {
      // An edit adds or removes at most two byte values.
      if (static_cast<std::size_t>(std::popcount(entry.bytes ^ bytes)) > 2 * limit) continue;
      ConsiderName(name, entry.name, rank, entry.order, out);
    }
  }
}

std::string DidYouMean(std::vector<Suggestion>& found) {
  if (found.empty()) return "";
  std::sort(found.begin(), found.end(), [](const Suggestion& a, const Suggestion& b) {
    if (a.distance != b.distance) return a.distance < b.distance;
    return a.rank != b.rank ? a.rank < b.rank : a.order < b.order;
  });
  const std::size_t n = std::min(found.size(), kMaxSuggestions);
  std::string text = " (did you mean ";
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0) text += i + 1 == n ? " or " : ", ";
    text += '"';
    text.append(found[i].name);
    text += '"';
  }
  return text + "?)";
}

}  // namespace zarn::jass
