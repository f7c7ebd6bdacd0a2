#include "text/line_origins.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "text/script.h"

namespace zarn {

std::vector<std::string_view> LineViews(std::string_view text) {
  text = UpToNul(text);
  std::vector<std::string_view> lines;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t end = FindLineBreak(text, i);
    lines.push_back(text.substr(i, end - i));
    i = end;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
  return lines;
}

namespace {

// Bytes at the start of `a` and `b` that are the same.
std::size_t CommonPrefix(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.data() + i));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.data() + i));
    const unsigned differ = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y))) & 0xFFFFu;
    if (differ != 0) return i + static_cast<std::size_t>(__builtin_ctz(differ));
  }
#endif
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

}  // namespace

std::size_t CountLineFeeds(std::string_view text) {
  const char* s = text.data();
  const std::size_t n = text.size();
  std::size_t count = 0, i = 0;
#if defined(__SSE2__)
  // Sixteen counters of one byte each, summed up before any can overflow.
  const __m128i lf = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
  while (i + 16 <= n) {
    __m128i counters = zero;
    for (int round = 0; round < 255 && i + 16 <= n; ++round, i += 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(block, lf));
    }
    const __m128i sums = _mm_sad_epu8(counters, zero);
    count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
#endif
  for (; i < n; ++i) count += s[i] == '\n';
  return count;
}

LineOrigins IdentityOrigins(std::string_view text) {
  text = UpToNul(text);
  std::size_t count = CountLineFeeds(text);
  if (!text.empty() && text.back() != '\n') ++count;
  LineOrigins origins(count);
  for (std::size_t k = 0; k < count; ++k) origins[k] = static_cast<std::uint32_t>(k);
  return origins;
}

namespace {

// Equal lines needed in a row before two places count as the same place:
// single lines such as "endif" recur everywhere.
constexpr std::size_t kSyncRun = 3;
// Stretches up to this many cells are lined up line by line; longer ones
// proportionally.
constexpr std::size_t kGapCells = 4096;
// Up to this window the search for the next shared place compares lines
// directly; beyond it, through a table of the new lines.
constexpr std::size_t kDirectWindow = 32;
// Places of one line text looked at in a hashed window.
constexpr std::size_t kPlacesPerText = 8;

// A stretch of a text's lines from a byte offset on, cut as far as needed.
class Window {
 public:
  explicit Window(std::string_view text) : text_(text) {}

  bool Has(std::size_t k) {
    while (lines_.size() <= k && scanned_ < text_.size()) {
      const std::size_t end = FindLineBreak(text_, scanned_);
      lines_.push_back(text_.substr(scanned_, end - scanned_));
      scanned_ = end;
      if (scanned_ < text_.size() && text_[scanned_] == '\r') ++scanned_;
      if (scanned_ < text_.size() && text_[scanned_] == '\n') ++scanned_;
    }
    return k < lines_.size();
  }
  std::string_view operator[](std::size_t k) const { return lines_[k]; }
  std::size_t size() const { return lines_.size(); }
  bool AtEnd() const { return scanned_ >= text_.size(); }

  std::size_t pos() const { return pos_; }
  std::string_view rest() const { return text_.substr(pos_); }
  // Moves the start `k` lines on (lines already cut) or to `offset`.
  void SkipLines(std::size_t k) { MoveTo(k < lines_.size() ? Offset(lines_[k]) : scanned_); }
  void MoveTo(std::size_t offset) {
    pos_ = scanned_ = offset;
    lines_.clear();
  }

 private:
  std::size_t Offset(std::string_view line) const { return static_cast<std::size_t>(line.data() - text_.data()); }

  std::string_view text_;
  std::size_t pos_ = 0, scanned_ = 0;
  std::vector<std::string_view> lines_;
};

class Aligner {
 public:
  Aligner(std::string_view a, std::string_view b, const LineOrigins& origins, const std::vector<MovedLine>& moved)
      : a_(a), b_(b), origins_(origins), out_() {
    out_.reserve(origins.size() + origins.size() / 8);
    for (const MovedLine& line : moved) moved_[line.text].push_back(line.from_line);
  }

  LineOrigins Run() {
    for (;;) {
      SkipEqualLines();
      if (!b_.Has(0)) break;
      auto [da, db] = FindSync();
      MapGap(da, db);
      a_.SkipLines(da);
      b_.SkipLines(db);
      ai_ += da;
    }
    return std::move(out_);
  }

 private:
  std::uint32_t Origin(std::size_t i) const {
    if (origins_.empty()) return 0;
    return origins_[std::min(i, origins_.size() - 1)];
  }

  // Takes the lines that both texts share from here on, many at a time.
  void SkipEqualLines() {
    const std::string_view a = a_.rest(), b = b_.rest();
    const std::size_t same = CommonPrefix(a, b);
    std::size_t lines, bytes;
    if (same == a.size() && same == b.size()) {
      bytes = same;
      lines = CountLineFeeds(a.substr(0, same)) + (same > 0 && a.back() != '\n' ? 1 : 0);
    } else {
      const char* last = a.data() + same;
      while (last > a.data() && last[-1] != '\n') --last;
      if (last == a.data()) return;
      --last;
      bytes = static_cast<std::size_t>(last - a.data()) + 1;
      lines = CountLineFeeds(a.substr(0, static_cast<std::size_t>(last - a.data()))) + 1;
    }
    if (ai_ + lines <= origins_.size()) {
      out_.insert(out_.end(), origins_.begin() + static_cast<std::ptrdiff_t>(ai_),
                  origins_.begin() + static_cast<std::ptrdiff_t>(ai_ + lines));
    } else {
      for (std::size_t k = 0; k < lines; ++k) out_.push_back(Origin(ai_ + k));
    }
    ai_ += lines;
    a_.MoveTo(a_.pos() + bytes);
    b_.MoveTo(b_.pos() + bytes);
  }

  // Whether the lines from (i, j) on agree for kSyncRun lines, or up to the
  // ends of both texts.
  bool Strong(std::size_t i, std::size_t j) {
    for (std::size_t r = 0; r < kSyncRun; ++r) {
      const bool more_a = a_.Has(i + r), more_b = b_.Has(j + r);
      if (!more_a || !more_b) return more_a == more_b;
      if (a_[i + r] != b_[j + r]) return false;
    }
    return true;
  }

  // The number of lines of a window, up to `limit`.
  static std::size_t Count(Window& w, std::size_t limit) {
    w.Has(limit - 1);
    return std::min(w.size(), limit);
  }

  static std::size_t All(Window& w) {
    w.Has(static_cast<std::size_t>(-2));
    return w.size();
  }

  // The nearest (da, db), by da + db, from which both texts agree again; the
  // rest of both when they never do. Near places are tried line by line,
  // cutting only the lines needed; farther ones through a table.
  std::pair<std::size_t, std::size_t> FindSync() {
    std::pair<std::size_t, std::size_t> found;
    if (SearchNear(found)) return found;
    for (std::size_t window = 2 * kDirectWindow;; window *= 2) {
      const std::size_t wa = Count(a_, window), wb = Count(b_, window);
      if (wa == 0 || wb == 0) return {All(a_), All(b_)};
      if (SearchHashed(wa, wb, found)) return found;
      if (wa < window && wb < window) return {All(a_), All(b_)};
    }
  }

  bool SearchNear(std::pair<std::size_t, std::size_t>& found) {
    auto check = [&](std::size_t da, std::size_t db) {
      if (!a_.Has(da) || !b_.Has(db) || a_[da] != b_[db] || !Strong(da, db)) return false;
      found = {da, db};
      return true;
    };
    for (std::size_t d = 1; d <= 2 * kDirectWindow; ++d) {
      if (!a_.Has(0) || !b_.Has(0)) return false;
      // Beyond the end of both texts nothing more can be found.
      if (a_.AtEnd() && b_.AtEnd() && d > a_.size() + b_.size()) return false;
      const std::size_t lo = d > kDirectWindow ? d - kDirectWindow : 0, hi = std::min(d, kDirectWindow);
      // Equal steps on both sides first: most rewrites keep the line count.
      const bool even = d % 2 == 0;
      if (even && check(d / 2, d / 2)) return true;
      for (std::size_t da = lo; da <= hi; ++da)
        if (!(even && da == d / 2) && check(da, d - da)) return true;
    }
    return false;
  }

  bool SearchHashed(std::size_t wa, std::size_t wb, std::pair<std::size_t, std::size_t>& found) {
    std::unordered_map<std::string_view, std::vector<std::size_t>> places;
    places.reserve(wb);
    for (std::size_t db = 0; db < wb; ++db) {
      std::vector<std::size_t>& list = places[b_[db]];
      if (list.size() < kPlacesPerText) list.push_back(db);
    }
    std::size_t best = static_cast<std::size_t>(-1);
    for (std::size_t da = 0; da < wa && da < best; ++da) {
      auto it = places.find(a_[da]);
      if (it == places.end()) continue;
      for (std::size_t db : it->second) {
        if (da + db >= best) break;
        if ((da || db) && Strong(da, db)) {
          best = da + db;
          found = {da, db};
          break;
        }
      }
    }
    return best != static_cast<std::size_t>(-1);
  }

  // How alike two lines are: their longest shared beginning or end, up to 64.
  static std::size_t Alike(std::string_view x, std::string_view y) {
    const std::size_t n = std::min<std::size_t>({x.size(), y.size(), 64});
    std::size_t front = 0, back = 0;
    while (front < n && x[front] == y[front]) ++front;
    while (back < n && x[x.size() - 1 - back] == y[y.size() - 1 - back]) ++back;
    return std::max(front, back);
  }

  // The window's first k lines of the old text became its first l new ones.
  void MapGap(std::size_t k, std::size_t l) {
    const std::size_t first = out_.size();
    out_.resize(first + l);
    std::vector<std::size_t> open;  // new lines not placed by `moved_`
    for (std::size_t t = 0; t < l; ++t) {
      auto it = moved_.empty() ? moved_.end() : moved_.find(b_[t]);
      if (it != moved_.end() && !it->second.empty()) {
        out_[first + t] = Origin(it->second.front());
        if (it->second.size() > 1) it->second.erase(it->second.begin());
      } else {
        open.push_back(t);
      }
    }
    if (open.empty()) return;
    if (k == 0) {
      // Put in where nothing stood: the line before it, or after it at the start.
      const std::uint32_t origin = ai_ > 0 ? Origin(ai_ - 1) : Origin(0);
      for (std::size_t t : open) out_[first + t] = origin;
      return;
    }
    const std::size_t n = open.size();
    if (k * n > kGapCells) {
      for (std::size_t t = 0; t < n; ++t) out_[first + open[t]] = Origin(ai_ + t * k / n);
      return;
    }
    LineUp(k, open, first);
  }

  // Each open line to one of the k old lines, in order, the equal and the
  // alike preferred, and otherwise the one at the same share of the stretch.
  void LineUp(std::size_t k, const std::vector<std::size_t>& open, std::size_t first) {
    const std::size_t n = open.size();
    auto score = [&](std::size_t t, std::size_t p) {
      const std::string_view x = a_[p], y = b_[open[t]];
      long long s = x == y ? 4096 : 16 * static_cast<long long>(Alike(x, y));
      const long long here = static_cast<long long>(p * n), there = static_cast<long long>(t * k);
      return s - std::llabs(here - there) / static_cast<long long>(std::max(k, n));
    };
    std::vector<long long> best(n * k);
    std::vector<std::size_t> from(n * k);
    for (std::size_t t = 0; t < n; ++t) {
      long long running = 0;
      std::size_t running_at = 0;
      for (std::size_t p = 0; p < k; ++p) {
        if (t > 0 && (p == 0 || best[(t - 1) * k + p] > running)) {
          running = best[(t - 1) * k + p];
          running_at = p;
        }
        best[t * k + p] = score(t, p) + (t > 0 ? running : 0);
        from[t * k + p] = running_at;
      }
    }
    std::size_t p = 0;
    for (std::size_t q = 1; q < k; ++q)
      if (best[(n - 1) * k + q] > best[(n - 1) * k + p]) p = q;
    for (std::size_t t = n; t-- > 0;) {
      out_[first + open[t]] = Origin(ai_ + p);
      p = from[t * k + p];
    }
  }

  Window a_, b_;
  std::size_t ai_ = 0;  // the line of the old text that a_ starts at
  const LineOrigins& origins_;
  LineOrigins out_;
  std::unordered_map<std::string_view, std::vector<std::size_t>> moved_;  // views into `moved`
};

}  // namespace

LineOrigins AlignLines(std::string_view before, const LineOrigins& origins, std::string_view after,
                       const std::vector<MovedLine>& moved) {
  if (before == after) return origins;
  return Aligner(before, after, origins, moved).Run();
}

}  // namespace zarn
