#include "text/text_search.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace zarn {

namespace {

#if defined(__x86_64__) && defined(__GNUC__)
// Thirty-two places at a time where the processor has AVX2 (chosen once, at
// run time, so the program still runs on processors without it): keep those
// where both the needle's first and last bytes stand, then compare the bytes
// between. Returns the offset reached when no match was found before it.
__attribute__((target("avx2"))) std::size_t FindWide(const char* s, std::size_t n, std::string_view needle,
                                                     std::size_t& i) {
  const std::size_t k = needle.size();
  const __m256i first = _mm256_set1_epi8(needle[0]);
  const __m256i last = _mm256_set1_epi8(needle[k - 1]);
  // Sixty-four places a step while no candidate turns up: one test for both
  // halves.
  for (; i + (k - 1) + 64 <= n; i += 64) {
    const __m256i a0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + k - 1));
    const __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + 32));
    const __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + 32 + k - 1));
    const __m256i m0 = _mm256_and_si256(_mm256_cmpeq_epi8(a0, first), _mm256_cmpeq_epi8(b0, last));
    const __m256i m1 = _mm256_and_si256(_mm256_cmpeq_epi8(a1, first), _mm256_cmpeq_epi8(b1, last));
    const __m256i any = _mm256_or_si256(m0, m1);
    if (_mm256_testz_si256(any, any)) continue;
    std::uint64_t mask = static_cast<std::uint32_t>(_mm256_movemask_epi8(m0)) |
                         (std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(m1))} << 32);
    while (mask != 0) {
      const unsigned bit = static_cast<unsigned>(__builtin_ctzll(mask));
      if (std::memcmp(s + i + bit + 1, needle.data() + 1, k - 2) == 0) return i + bit;
      mask &= mask - 1;
    }
  }
  for (; i + (k - 1) + 32 <= n; i += 32) {
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + k - 1));
    unsigned mask = static_cast<unsigned>(
        _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, last))));
    while (mask != 0) {
      unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
      if (std::memcmp(s + i + bit + 1, needle.data() + 1, k - 2) == 0) return i + bit;
      mask &= mask - 1;
    }
  }
  return std::string_view::npos;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

}  // namespace

std::size_t FindText(std::string_view hay, std::string_view needle, std::size_t from) {
  constexpr std::size_t npos = std::string_view::npos;
  if (from > hay.size()) return npos;
  const std::size_t k = needle.size();
  if (k == 0) return from;
  if (k > hay.size() - from) return npos;
  const char* s = hay.data();
  const std::size_t n = hay.size();
  std::size_t i = from;
#if defined(__x86_64__) && defined(__GNUC__)
  if (k >= 2 && kHasAvx2) {
    std::size_t at = FindWide(s, n, needle, i);
    if (at != npos) return at;
  }
#endif
#if defined(__SSE2__)
  if (k >= 2) {
    // Sixteen places at a time: keep those where both the needle's first and
    // last bytes stand, then compare the bytes between.
    const __m128i first = _mm_set1_epi8(needle[0]);
    const __m128i last = _mm_set1_epi8(needle[k - 1]);
    for (; i + (k - 1) + 16 <= n; i += 16) {
      __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + k - 1));
      unsigned mask =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
      while (mask != 0) {
        unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
        if (std::memcmp(s + i + bit + 1, needle.data() + 1, k - 2) == 0) return i + bit;
        mask &= mask - 1;
      }
    }
  }
#endif
  // The rest (or everything without SSE2).
  std::size_t at = std::string_view(s + i, n - i).find(needle);
  return at == npos ? npos : i + at;
}

}  // namespace zarn
