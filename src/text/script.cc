#include "text/script.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zarn {

std::string JoinLines(const Lines& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::size_t FindLineBreak(std::string_view text, std::size_t from) {
  const char* s = text.data();
  const std::size_t n = text.size();
  std::size_t i = from;
#if defined(__SSE2__)
  // Sixteen bytes at a time; lines are short, so the first block usually
  // holds the break.
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; i + 16 <= n; i += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    unsigned mask =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf))));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  while (i < n && s[i] != '\r' && s[i] != '\n') ++i;
  return i;
}

namespace {

// Calls `line(view)` for every line of `text` by the splitting rules.
template <class OnLine>
void ForEachLine(std::string_view text, OnLine&& line) {
  text = UpToNul(text);
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = FindLineBreak(text, i);
    line(text.substr(i, end - i));
    i = end;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
}

// Room for every line up front: no moving of lines as the list grows.
std::size_t CountLineBreaks(std::string_view text) {
  std::size_t breaks = 0;
  for (char c : text) breaks += (c == '\r') | (c == '\n');
  return breaks;
}

bool IsTrimmed(unsigned char c) { return c <= 32; }

}  // namespace

Lines SplitText(std::string_view text) {
  Lines lines;
  lines.reserve(CountLineBreaks(UpToNul(text)) + 1);
  ForEachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

Lines SplitTrimmedLines(std::string_view text) {
  Lines lines;
  lines.reserve(CountLineBreaks(UpToNul(text)) + 1);
  ForEachLine(text, [&](std::string_view line) {
    std::size_t begin = 0, end = line.size();
    while (begin < end && IsTrimmed(line[begin])) ++begin;
    while (end > begin && IsTrimmed(line[end - 1])) --end;
    if (end > begin) lines.emplace_back(line.substr(begin, end - begin));
  });
  return lines;
}

}  // namespace zarn
