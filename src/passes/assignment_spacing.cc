#include "passes/assignment_spacing.h"

#include <cstring>
#include <thread>

#include "text/rewrite.h"
#include "text/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zarn {

namespace {

// Removes the blanks of s[0, n) within those bytes and returns how many bytes
// are kept. `previous` is the byte before s[0], `after` the byte after
// s[n - 1] ('\0' for none); no byte outside s[0, n) is read.
std::size_t RemoveBlanksIn(char* s, std::size_t n, char previous, char after) {
  std::size_t read = 0, write = 0;
  // Kept bytes move down over removed blanks. The next byte is always still
  // in place; the previous one may be overwritten, so it is carried along.
  auto take = [&](std::size_t at) {
    const char c = s[at];
    const char next = at + 1 < n ? s[at + 1] : after;
    const bool removed = c == ' ' && (previous == '(' || next == ')' || (previous == ')' && next == ','));
    if (!removed) s[write++] = c;
    previous = c;
  };
#if defined(__SSE2__)
  // Sixteen bytes at a time, with their neighbours one byte either side;
  // a block without a removed blank is moved (or left in place) whole.
  const __m128i blank = _mm_set1_epi8(' '), open = _mm_set1_epi8('('), close = _mm_set1_epi8(')'),
                comma = _mm_set1_epi8(',');
  for (; read + 17 <= n; read += 16) {
    const __m128i cur = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + read));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + read + 1));
    const __m128i prev = _mm_or_si128(_mm_slli_si128(cur, 1), _mm_cvtsi32_si128(static_cast<unsigned char>(previous)));
    const __m128i removed =
        _mm_and_si128(_mm_cmpeq_epi8(cur, blank),
                      _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(prev, open), _mm_cmpeq_epi8(next, close)),
                                   _mm_and_si128(_mm_cmpeq_epi8(prev, close), _mm_cmpeq_epi8(next, comma))));
    if (_mm_movemask_epi8(removed) == 0) {
      if (write != read) _mm_storeu_si128(reinterpret_cast<__m128i*>(s + write), cur);
      write += 16;
      previous = static_cast<char>(_mm_cvtsi128_si32(_mm_srli_si128(cur, 15)));
    } else {
      for (std::size_t at = read; at < read + 16; ++at) take(at);
    }
  }
#endif
  for (; read < n; ++read) take(read);
  return write;
}

// From this size on the second half is done on a second thread.
constexpr std::size_t kTwoThreadsFrom = 1 << 20;

}  // namespace

void RemoveBlanksInsideParentheses(std::string& text) {
  // The three replacements ") ," -> "),", "( " -> "(" and " )" -> ")", one
  // after the other, each remove a blank. None of them can make or break a
  // place a later one looks for, except by removing that very blank (the
  // blank of "( )" goes once), so each blank's fate follows from its two
  // neighbours in the text before the first of them: one pass does all three.
  const std::size_t n = text.size();
  char* s = text.data();
  std::size_t cut = n;
  if (n >= kTwoThreadsFrom) {
    const std::size_t lf = text.find('\n', n / 2);
    if (lf != std::string::npos) cut = lf + 1;
  }
  if (cut == n) {
    text.resize(RemoveBlanksIn(s, n, '\0', '\0'));
    return;
  }
  // Cut after a line feed, each half sees its neighbour's byte as it was.
  const char before = s[cut - 1], after = s[cut];
  std::size_t second = 0;
  std::thread worker([&] { second = RemoveBlanksIn(s + cut, n - cut, before, '\0'); });
  const std::size_t first = RemoveBlanksIn(s, cut, '\0', after);
  worker.join();
  std::memmove(s + first, s + cut, second);
  text.resize(first + second);
}

void FixAssignmentSpacing(std::string& text) {
  // Only the first such place in the whole script is spaced.
  ReplaceFirstMatch(text, "[a-zA-Z0-9]=[a-zA-Z0-9]", MatchMode::kWholeText,
                    [](std::string_view m) { return std::string(1, m[0]) + " = " + std::string(1, m[2]); });
  RemoveBlanksInsideParentheses(text);
}

}  // namespace zarn
