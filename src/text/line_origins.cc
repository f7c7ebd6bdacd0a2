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

std::size_t LineCount(std::string_view text) {
  text = UpToNul(text);
  return CountLineFeeds(text) + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

LineOrigins IdentityOrigins(std::string_view text) {
  const std::size_t count = LineCount(text);
  LineOrigins origins(count);
  for (std::size_t k = 0; k < count; ++k) origins[k] = static_cast<std::uint32_t>(k);
  return origins;
}

namespace {

// Builds the origins of a spliced text from the start on.
class SplicedOrigins {
 public:
  SplicedOrigins(std::string_view before, const LineOrigins& origins) : before_(before), origins_(origins) {
    out_.reserve(origins.size() + origins.size() / 16);
  }

  // Takes the bytes of the text before up to `end` as they are.
  void Keep(std::size_t end) {
    if (end <= pos_) return;
    const std::string_view part = before_.substr(pos_, end - pos_);
    StartPendingLine(line_);
    const std::size_t feeds = CountLineFeeds(part);
    if (feeds > 0) {
      // The lines after the first `feeds` line feeds begin inside the part,
      // the last one only when more follows it.
      const bool ends_line = part.back() == '\n';
      const std::size_t first = line_ + 1, count = feeds - (ends_line ? 1 : 0);
      if (first + count <= origins_.size()) {
        out_.insert(out_.end(), origins_.begin() + static_cast<std::ptrdiff_t>(first),
                    origins_.begin() + static_cast<std::ptrdiff_t>(first + count));
      } else {
        for (std::size_t k = 0; k < count; ++k) out_.push_back(Origin(first + k));
      }
      pending_ = ends_line;
      line_ += feeds;
    }
    pos_ = end;
  }

  // Replaces `length` bytes from the current place by `text`, which shares
  // nothing with them at either end.
  void Replace(std::size_t length, std::string_view text) {
    const std::size_t old_feeds = CountLineFeeds(before_.substr(pos_, length));
    if (!text.empty()) {
      StartPendingLine(line_);
      std::size_t n = 0;
      for (std::size_t i = text.find('\n'); i != std::string_view::npos; i = text.find('\n', i + 1)) {
        ++n;
        if (i + 1 < text.size())
          out_.push_back(Origin(line_ + std::min(n, old_feeds)));
        else
          pending_ = true;
      }
    }
    line_ += old_feeds;
    pos_ += length;
  }

  LineOrigins Finish() {
    Keep(before_.size());
    return std::move(out_);
  }

 private:
  std::uint32_t Origin(std::size_t line) const {
    if (origins_.empty()) return 0;
    return origins_[std::min(line, origins_.size() - 1)];
  }

  // A line begins with the next byte: it stands for `line`.
  void StartPendingLine(std::size_t line) {
    if (!pending_) return;
    out_.push_back(Origin(line));
    pending_ = false;
  }

  std::string_view before_;
  const LineOrigins& origins_;
  LineOrigins out_;
  std::size_t pos_ = 0;   // in the text before
  std::size_t line_ = 0;  // the line of the text before that `pos_` stands on
  bool pending_ = true;   // the next byte begins a line
};

// Whether the splices leave every line where it was: each keeps its number of
// line feeds, and the text's last byte stays a line feed or not.
bool KeepsLines(std::string_view before, const std::vector<Splice>& splices) {
  for (const Splice& s : splices)
    if (CountLineFeeds(before.substr(s.at, s.length)) != CountLineFeeds(s.text)) return false;
  return splices.empty() || splices.back().at + splices.back().length < before.size();
}

}  // namespace

void SpliceOrigins(std::string_view before, LineOrigins& origins, const std::vector<Splice>& splices) {
  if (KeepsLines(before, splices)) return;
  SplicedOrigins out(before, origins);
  for (const Splice& s : splices) {
    const std::string_view old = before.substr(s.at, s.length);
    std::string_view text = s.text;
    std::size_t front = 0;
    while (front < old.size() && front < text.size() && old[front] == text[front]) ++front;
    std::size_t back = 0;
    while (back < old.size() - front && back < text.size() - front &&
           old[old.size() - 1 - back] == text[text.size() - 1 - back])
      ++back;
    out.Keep(s.at + front);
    out.Replace(s.length - front - back, text.substr(front, text.size() - front - back));
  }
  origins = out.Finish();
}

}  // namespace zarn
