#include "passes/literals.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstring>

#include "passes/error_marker.h"
#include "text/script.h"
#include "text/text_search.h"

namespace zarn {

namespace {

constexpr unsigned char kDigitBase = 0x10;  // digit bytes are 0x10 to 0x1F

bool IsTokenByte(unsigned char c) { return c == kTokenStart || (c & 0xF0) == kDigitBase; }

bool IsDigitByte(unsigned char c) { return (c & 0xF0) == kDigitBase; }

// Offset of the first byte at or after `from` that can change the scan's
// state: a quote, a slash or a token byte; the text's size if none.
std::size_t FindSpecial(std::string_view text, std::size_t from) {
  const char* s = text.data();
  const std::size_t n = text.size();
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i dq = _mm_set1_epi8('"'), sq = _mm_set1_epi8('\''), slash = _mm_set1_epi8('/');
  const __m128i start = _mm_set1_epi8(kTokenStart);
  const __m128i high = _mm_set1_epi8(static_cast<char>(0xF0)), digit = _mm_set1_epi8(0x10);
  for (; i + 16 <= n; i += 16) {
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, dq), _mm_cmpeq_epi8(b, sq)),
                               _mm_or_si128(_mm_cmpeq_epi8(b, slash), _mm_cmpeq_epi8(b, start)));
    hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_and_si128(b, high), digit));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '"' || c == '\'' || c == '/' || IsTokenByte(c)) return i;
    ++i;
  }
  return n;
}

// Offset of the quote that closes a literal whose contents start at `from`,
// or npos. A backslash escapes the byte after it; a rawcode (`line_only`)
// ends at the first line break.
std::size_t FindClosingQuote(std::string_view text, std::size_t from, char quote, bool line_only) {
  for (std::size_t i = from; i < text.size(); ++i) {
    char c = text[i];
    if (c == quote) return i;
    if (line_only && (c == '\r' || c == '\n')) return std::string_view::npos;
    if (c == '\\') {
      if (line_only && i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n'))
        return std::string_view::npos;
      ++i;
    }
  }
  return std::string_view::npos;
}

// The script's bytes walked once: what lies outside literals is copied as it
// stands (token bytes aside), each literal's contents become a token.
class Scanner {
 public:
  Scanner(std::string_view script, std::string& out, std::vector<std::string>& contents)
      : s_(script), out_(out), contents_(contents) {}

  void Run() {
    std::size_t copied = 0;  // s_[copied, i) is still to be copied
    std::size_t i = 0;
    while ((i = FindSpecial(s_, i)) < s_.size()) {
      const char c = s_[i];
      std::size_t next = i + 1;
      if (c == '/') {
        next = CommentEnd(i);
        HideTokenBytes(i + 1, next, copied);
      } else if (c == '"' || c == '\'') {
        std::size_t close = FindLiteralEnd(i);
        if (close != std::string_view::npos) {
          out_.append(s_, copied, i + 1 - copied);
          Token(s_.substr(i + 1, close - i - 1));
          copied = close;  // the closing quote is copied with what follows
          next = close + 1;
        }
      } else {
        HideTokenBytes(i, next, copied);
      }
      i = next;
    }
    out_.append(s_, copied, std::string_view::npos);
  }

 private:
  // The script's own token bytes in [from, to), each hidden by itself.
  void HideTokenBytes(std::size_t from, std::size_t to, std::size_t& copied) {
    for (std::size_t k = from; k < to; ++k) {
      if (!IsTokenByte(static_cast<unsigned char>(s_[k]))) continue;
      out_.append(s_, copied, k - copied);
      Token(s_.substr(k, 1));
      copied = k + 1;
    }
  }

  // Past a comment that starts at `i` (quotes inside open nothing), or i + 1
  // for a slash that starts none.
  std::size_t CommentEnd(std::size_t i) {
    if (i + 1 >= s_.size()) return i + 1;
    std::size_t end;
    if (s_[i + 1] == '/') {
      end = FindLineBreak(s_, i + 2);
    } else if (s_[i + 1] == '*' && !no_block_end_) {
      std::size_t close = FindText(s_, "*/", i + 2);
      if (close == std::string_view::npos) {
        no_block_end_ = true;  // no later "/*" has an end either
        return i + 1;
      }
      end = close + 2;
    } else {
      return i + 1;
    }
    return end;
  }

  // Offset of the closing quote of a literal opening at `i`, or npos. Once a
  // string finds no end, no later quote can: the escapes of any later start
  // fall in step with the failed search at once. The same holds for
  // rawcodes up to the end of their line.
  std::size_t FindLiteralEnd(std::size_t i) {
    if (s_[i] == '"') {
      if (no_string_end_) return std::string_view::npos;
      std::size_t close = FindClosingQuote(s_, i + 1, '"', false);
      if (close == std::string_view::npos) no_string_end_ = true;
      return close;
    }
    if (i < rawcode_fails_before_) return std::string_view::npos;
    std::size_t close = FindClosingQuote(s_, i + 1, '\'', true);
    if (close == std::string_view::npos) rawcode_fails_before_ = FindLineBreak(s_, i + 1);
    return close;
  }

  void Token(std::string_view content) {
    if (content.empty()) return;  // "" and '' hold nothing to protect
    std::size_t index = contents_.size();
    contents_.emplace_back(content);
    out_ += kTokenStart;
    do {
      out_ += static_cast<char>(kDigitBase | (index & 0x0F));
      index >>= 4;
    } while (index != 0);
  }

  std::string_view s_;
  std::string& out_;
  std::vector<std::string>& contents_;
  bool no_string_end_ = false;
  bool no_block_end_ = false;
  std::size_t rawcode_fails_before_ = 0;
};

}  // namespace

std::string HiddenLiterals::Hide(std::string_view script) {
  script = UpToNul(script);
  contents_.clear();
  std::string out;
  out.reserve(script.size() + script.size() / 16);
  Scanner(script, out, contents_).Run();
  return out;
}

namespace {

// Calls `each(start, end, index)` for every token in `text` that stands for
// one of `count` literals, in order; other bytes are left as they are. Reads
// no byte before the end of the token it last reported.
template <class Each>
void ForEachToken(std::string_view text, std::size_t count, Each each) {
  const char* s = text.data();
  for (std::size_t i = 0; i < text.size();) {
    const void* found = std::memchr(s + i, kTokenStart, text.size() - i);
    if (!found) break;
    std::size_t start = static_cast<std::size_t>(static_cast<const char*>(found) - s);
    std::size_t end = start + 1, index = 0;
    unsigned shift = 0;
    while (end < text.size() && IsDigitByte(static_cast<unsigned char>(s[end])) && shift < 60) {
      index |= static_cast<std::size_t>(s[end] & 0x0F) << shift;
      shift += 4;
      ++end;
    }
    i = end;
    if (end == start + 1 || index >= count) continue;  // not one of ours: left as it is
    each(start, end, index);
  }
}

}  // namespace

std::string HiddenLiterals::Restore(std::string_view text,
                                    std::vector<std::pair<std::size_t, std::size_t>>* marked) const {
  std::string out(text);
  RestoreInPlace(out, marked);
  return out;
}

void HiddenLiterals::RestoreInPlace(std::string& text, std::vector<std::pair<std::size_t, std::size_t>>* marked) const {
  // How much the text grows, in all and at most up to the end of any token.
  long long growth = 0, most = 0;
  bool any = false;
  ForEachToken(text, contents_.size(), [&](std::size_t start, std::size_t end, std::size_t index) {
    growth += static_cast<long long>(contents_[index].size()) - static_cast<long long>(end - start);
    most = std::max(most, growth);
    any = true;
  });
  if (!any) return;
  // The hidden text moves up by the most it grows before any place, so that
  // the restored text, written from the start, never reaches a byte still to
  // be read.
  const std::size_t size = text.size(), lead = static_cast<std::size_t>(most);
  const std::size_t restored = static_cast<std::size_t>(static_cast<long long>(size) + growth);
  const std::size_t needed = std::max(size + lead, restored);
  if (needed > text.capacity()) {
    // Grown to what it needs: a string would double its buffer.
    std::string grown;
    grown.reserve(needed);
    grown.append(text);
    text.swap(grown);
  }
  text.resize(needed);
  char* s = text.data();
  if (lead > 0) std::memmove(s + lead, s, size);
  std::size_t write = 0, copied = 0;  // `copied`: bytes of the hidden text read
  auto copy = [&](std::size_t up_to) {
    if (write != lead + copied) std::memmove(s + write, s + lead + copied, up_to - copied);
    write += up_to - copied;
    copied = up_to;
  };
  ForEachToken(std::string_view(s + lead, size), contents_.size(),
               [&](std::size_t start, std::size_t end, std::size_t index) {
                 copy(start);
                 const std::string& content = contents_[index];
                 if (marked && content.find(kErrorMarkerStem) != std::string::npos)
                   marked->emplace_back(write, write + content.size());
                 std::memcpy(s + write, content.data(), content.size());
                 write += content.size();
                 copied = end;
               });
  copy(size);
  text.resize(write);
}

std::vector<std::uint32_t> HiddenLiterals::RestoredLineStarts(std::string_view text) const {
  std::vector<std::size_t> breaks(contents_.size(), 0);
  bool any = false;
  for (std::size_t k = 0; k < contents_.size(); ++k) {
    const std::string& content = contents_[k];
    if (content.find_first_of("\r\n") == std::string::npos) continue;
    any = true;
    for (std::size_t i = 0; i < content.size(); ++i)
      breaks[k] += content[i] == '\n' || (content[i] == '\r' && (i + 1 == content.size() || content[i + 1] != '\n'));
  }
  if (!any) return {};
  std::vector<std::uint32_t> starts;
  text = UpToNul(text);
  std::size_t restored = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t end = FindLineBreak(text, i);
    starts.push_back(static_cast<std::uint32_t>(restored));
    ++restored;
    for (std::size_t at = i; at < end; ++at) {
      if (text[at] != kTokenStart) continue;
      std::size_t index = 0, next = at + 1;
      unsigned shift = 0;
      while (next < end && IsDigitByte(static_cast<unsigned char>(text[next])) && shift < 60) {
        index |= static_cast<std::size_t>(text[next] & 0x0F) << shift;
        shift += 4;
        ++next;
      }
      if (next > at + 1 && index < breaks.size()) restored += breaks[index];
      at = next - 1;
    }
    i = end;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
  return starts;
}

}  // namespace zarn
