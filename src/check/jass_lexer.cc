#include "check/jass_lexer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zarn::jass {

namespace {

struct KeywordRow {
  std::string_view text;
  Tok kind;
};

constexpr KeywordRow kKeywords[] = {
    {"function", Tok::kFunction},
    {"endfunction", Tok::kEndfunction},
    {"takes", Tok::kTakes},
    {"returns", Tok::kReturns},
    {"nothing", Tok::kNothing},
    {"native", Tok::kNative},
    {"constant", Tok::kConstant},
    {"type", Tok::kType},
    {"extends", Tok::kExtends},
    {"globals", Tok::kGlobals},
    {"endglobals", Tok::kEndglobals},
    {"local", Tok::kLocal},
    {"array", Tok::kArray},
    {"set", Tok::kSet},
    {"call", Tok::kCall},
    {"if", Tok::kIf},
    {"then", Tok::kThen},
    {"elseif", Tok::kElseif},
    {"else", Tok::kElse},
    {"endif", Tok::kEndif},
    {"loop", Tok::kLoop},
    {"endloop", Tok::kEndloop},
    {"exitwhen", Tok::kExitwhen},
    {"return", Tok::kReturn},
    {"debug", Tok::kDebug},
    {"and", Tok::kAnd},
    {"or", Tok::kOr},
    {"not", Tok::kNot},
    {"true", Tok::kTrue},
    {"false", Tok::kFalse},
    {"null", Tok::kNull},
};

constexpr struct {
  Tok kind;
  std::string_view text;
} kSpellings[] = {
    {Tok::kLParen, "("},  {Tok::kRParen, ")"}, {Tok::kLBracket, "["}, {Tok::kRBracket, "]"}, {Tok::kComma, ","},
    {Tok::kAssign, "="},  {Tok::kPlus, "+"},   {Tok::kMinus, "-"},    {Tok::kStar, "*"},     {Tok::kSlash, "/"},
    {Tok::kPercent, "%"}, {Tok::kEq, "=="},    {Tok::kNe, "!="},      {Tok::kLt, "<"},       {Tok::kGt, ">"},
    {Tok::kLe, "<="},     {Tok::kGe, ">="},
};

// Byte classes, looked up: the lexer asks for them at every byte.
enum ByteClass : unsigned char { kLetter = 1, kDigit = 2, kNameOnly = 4, kBlankByte = 8 };
constexpr std::array<unsigned char, 256> kByteClasses = [] {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) table[c] = kLetter;
    if (c >= '0' && c <= '9') table[c] = kDigit;
    if (c == '_') table[c] = kNameOnly;
    if (c == ' ' || c == '\t' || c == '\f' || c == '\v') table[c] = kBlankByte;
  }
  return table;
}();
unsigned char ClassOf(char c) { return kByteClasses[static_cast<unsigned char>(c)]; }
bool IsLetter(char c) { return ClassOf(c) & kLetter; }
bool IsDigit(char c) { return ClassOf(c) & kDigit; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
// Letters, digits and "_": names are most of a script's bytes.
bool IsNameByte(char c) { return ClassOf(c) & (kLetter | kDigit | kNameOnly); }
bool IsBlank(char c) { return ClassOf(c) & kBlankByte; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

bool StartsWithWord(std::string_view text, std::size_t at, std::string_view word) {
  return text.substr(at, word.size()) == word &&
         (at + word.size() >= text.size() || !IsNameByte(text[at + word.size()]));
}

}  // namespace

namespace {

// The keywords by length (2 to 11) and first letter ('a' to 't'): at most
// three share both, so a name is compared with those alone, in one or two
// words that hold all its bytes.
class KeywordTable {
 public:
  KeywordTable() {
    for (auto& slot : rows_) slot.fill(-1);
    for (std::size_t k = 0; k < std::size(kKeywords); ++k) {
      std::array<signed char, 3>& slot = rows_[Slot(kKeywords[k].text)];
      *std::find(slot.begin(), slot.end(), -1) = static_cast<signed char>(k);
      words_[k] = WordsOf(kKeywords[k].text);
    }
  }

  Tok Find(std::string_view name) const {
    if (name.size() < 2 || name.size() > 11 || !(name[0] >= 'a' && name[0] <= 't')) return Tok::kName;
    const Words words = WordsOf(name);
    for (signed char k : rows_[Slot(name)]) {
      if (k < 0) break;
      if (words_[static_cast<std::size_t>(k)] == words) return kKeywords[static_cast<std::size_t>(k)].kind;
    }
    return Tok::kName;
  }

 private:
  using Words = std::pair<std::uint64_t, std::uint64_t>;
  static std::uint64_t Load(const char* bytes, std::size_t size) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, size);
    return word;
  }
  // For names of one length, the words tell every two apart: two loads that
  // may overlap cover all bytes of a name of 2 to 11.
  static Words WordsOf(std::string_view name) {
    const char* bytes = name.data();
    const std::size_t size = name.size();
    if (size >= 8) return {Load(bytes, 8), Load(bytes + size - 4, 4)};
    if (size >= 4) return {Load(bytes, 4) | Load(bytes + size - 4, 4) << 32, 0};
    return {Load(bytes, 2) | Load(bytes + size - 2, 2) << 16, 0};
  }
  static std::size_t Slot(std::string_view name) {
    return (name.size() - 2) * 20 + static_cast<std::size_t>(name[0] - 'a');
  }
  std::array<std::array<signed char, 3>, 10 * 20> rows_;
  std::array<Words, std::size(kKeywords)> words_;
};

const KeywordTable kKeywordTable;

}  // namespace

Tok KeywordOf(std::string_view name) { return kKeywordTable.Find(name); }

std::string_view Spelling(Tok kind) {
  for (const KeywordRow& row : kKeywords)
    if (row.kind == kind) return row.text;
  for (const auto& row : kSpellings)
    if (row.kind == kind) return row.text;
  return "";
}

Lexer::Lexer(std::string_view script) : script_(script) {
  if (script_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = line_start_ = 3;
}

Lexer::Lexer(std::string_view script, const LexerPlace& place) : script_(script) { Rewind(place); }

LexerPlace Lexer::place() const { return {pos_, line_, line_start_, no_block_end_from_, no_string_end_from_}; }

void Lexer::Rewind(const LexerPlace& place) {
  pos_ = place.pos;
  line_ = place.line;
  line_start_ = place.line_start;
  no_block_end_from_ = place.no_block_end_from;
  no_string_end_from_ = place.no_string_end_from;
  at_line_start_ = true;
}

Token Lexer::Make(Tok kind, std::size_t begin, std::size_t line, std::size_t line_start) const {
  Token token;
  token.kind = kind;
  token.begin = token.end = begin;
  token.line = line;
  token.column = begin - line_start + 1;
  return token;
}

// Past one line end at `at`: CR LF, LF or CR.
std::size_t Lexer::SkipLineEnd(std::size_t at) {
  if (script_[at] == '\r' && at + 1 < script_.size() && script_[at + 1] == '\n') return at + 2;
  return at + 1;
}

void Lexer::PassLineEnd(std::size_t at) {
  pos_ = SkipLineEnd(at);
  ++line_;
  line_start_ = pos_;
  at_line_start_ = true;
}

// One token object for every return, built in the caller's place.
Token Lexer::Next() {
  while (SkipBlanksAndComments()) {}
  Token token = Make(Tok::kEnd, pos_, line_, line_start_);
  if (pos_ >= script_.size()) return token;
  const char c = script_[pos_];
  if (IsLineEnd(c)) {
    token.kind = Tok::kNewline;
    PassLineEnd(pos_);
    token.end = pos_;
    return token;
  }
  at_line_start_ = false;
  token.kind = Tok::kBad;
  if (IsLetter(c)) {
    ReadName(token);
  } else if (IsDigit(c) || c == '$' || (c == '.' && pos_ + 1 < script_.size() && IsDigit(script_[pos_ + 1]))) {
    ReadNumber(token);
  } else if (c == '"' || c == '\'') {
    ReadQuoted(token, c);
  } else {
    ReadOperator(token);
  }
  return token;
}

// Skips blanks and one comment; true when a comment was skipped.
bool Lexer::SkipBlanksAndComments() {
  for (;;) {
    while (pos_ < script_.size() && IsBlank(script_[pos_])) ++pos_;
    if (pos_ < script_.size() && script_[pos_] == '\xEF' && script_.substr(pos_, 3) == "\xEF\xBB\xBF")
      pos_ += 3;
    else
      break;
  }
  if (pos_ + 1 >= script_.size() || script_[pos_] != '/') return false;
  if (script_[pos_ + 1] == '/') {
    SkipLineComment();
    return true;
  }
  return script_[pos_ + 1] == '*' && SkipBlockComment();
}

void Lexer::SkipLineComment() {
  const std::size_t begin = pos_, line = line_;
  const bool own_line = at_line_start_;
  if (own_line && script_.substr(pos_, 3) == "//!") {
    std::size_t at = pos_ + 3;
    while (at < script_.size() && IsBlank(script_[at])) ++at;
    if (StartsWithWord(script_, at, "textmacro") || StartsWithWord(script_, at, "endtextmacro") ||
        StartsWithWord(script_, at, "runtextmacro"))
      saw_text_macro_ = true;
  }
  const std::size_t n = script_.size();
  for (; pos_ < n; ++pos_) {
    const char c = script_[pos_];
    if (c == '\n' || (c == '\r' && pos_ + 1 < n && script_[pos_ + 1] == '\n')) break;
    if (c == '\r') {
      ++line_;
      line_start_ = pos_ + 1;
    } else if (c == '\0' || c == '\xFF') {
      stray_bytes_.push_back({line_, pos_ - line_start_ + 1, c});
    }
  }
  if (!own_line || begin + 2 >= n || script_[begin + 2] != '#') return;
  if (annotations_.last_line + 1 != line) annotations_.lines.clear();
  annotations_.lines.push_back(script_.substr(begin, pos_ - begin));
  annotations_.last_line = line_;
}

// A "/*" with no "*/" after it is not a comment: false, nothing skipped.
bool Lexer::SkipBlockComment() {
  if (pos_ >= no_block_end_from_) return false;
  std::size_t close = script_.find("*/", pos_ + 2);
  if (close == std::string_view::npos) {
    no_block_end_from_ = pos_;
    return false;
  }
  for (std::size_t at = pos_ + 2; at < close;) {
    if (!IsLineEnd(script_[at])) {
      if (script_[at] == '\0' || script_[at] == '\xFF')
        stray_bytes_.push_back({line_, at - line_start_ + 1, script_[at]});
      ++at;
      continue;
    }
    at = SkipLineEnd(at);
    ++line_;
    line_start_ = at;
  }
  pos_ = close + 2;
  return true;
}

namespace {

// Past the name bytes (letters, digits, "_") from `at`.
std::size_t SkipNameBytes(const char* s, std::size_t at, std::size_t n) {
#if defined(__SSE2__)
  // Sixteen bytes at a time; bytes from 0x80 on compare as negative and so
  // fall in none of the ranges.
  const __m128i before_a = _mm_set1_epi8('a' - 1), after_z = _mm_set1_epi8('z' + 1);
  const __m128i before_0 = _mm_set1_epi8('0' - 1), after_9 = _mm_set1_epi8('9' + 1);
  const __m128i underscore = _mm_set1_epi8('_'), lower = _mm_set1_epi8(0x20);
  for (; at + 16 <= n; at += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
    const __m128i folded = _mm_or_si128(block, lower);
    const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(folded, before_a), _mm_cmplt_epi8(folded, after_z));
    const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(block, before_0), _mm_cmplt_epi8(block, after_9));
    const __m128i name = _mm_or_si128(_mm_or_si128(letter, digit), _mm_cmpeq_epi8(block, underscore));
    const unsigned other = ~static_cast<unsigned>(_mm_movemask_epi8(name)) & 0xFFFFu;
    if (other != 0) return at + static_cast<std::size_t>(__builtin_ctz(other));
  }
#endif
  while (at < n && IsNameByte(s[at])) ++at;
  return at;
}

// The first byte from `at` on that may begin a literal or a comment or end
// a line; `n` when there is none. Any other byte of a line is read alike
// whatever token holds it.
std::size_t FindLineSpecial(const char* s, std::size_t at, std::size_t n) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), quote = _mm_set1_epi8('"');
  const __m128i apostrophe = _mm_set1_epi8('\''), slash = _mm_set1_epi8('/');
  for (; at + 16 <= n; at += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
    const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf));
    const __m128i quotes = _mm_or_si128(_mm_cmpeq_epi8(block, quote), _mm_cmpeq_epi8(block, apostrophe));
    const unsigned hits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(ends, quotes), _mm_cmpeq_epi8(block, slash))));
    if (hits != 0) return at + static_cast<std::size_t>(__builtin_ctz(hits));
  }
#endif
  for (; at < n; ++at) {
    const char c = s[at];
    if (c == '\r' || c == '\n' || c == '"' || c == '\'' || c == '/') return at;
  }
  return n;
}

// Past the bytes from `at` on, up to `bound`, that a literal opened by
// `quote` holds as they are: no closing quote, backslash or line end.
std::size_t SkipPlainQuoted(const char* s, std::size_t at, std::size_t bound, char quote) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), closer = _mm_set1_epi8(quote);
  const __m128i backslash = _mm_set1_epi8('\\');
  for (; at + 16 <= bound; at += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
    const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf));
    const __m128i stops = _mm_or_si128(_mm_cmpeq_epi8(block, closer), _mm_cmpeq_epi8(block, backslash));
    const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(ends, stops)));
    if (hits != 0) return at + static_cast<std::size_t>(__builtin_ctz(hits));
  }
#endif
  for (; at < bound; ++at) {
    const char c = s[at];
    if (c == quote || c == '\\' || c == '\r' || c == '\n') return at;
  }
  return at;
}

}  // namespace

void Lexer::SkipRestOfLine() {
  const std::size_t n = script_.size();
  at_line_start_ = false;
  for (;;) {
    pos_ = FindLineSpecial(script_.data(), pos_, n);
    if (pos_ >= n) break;
    const char c = script_[pos_];
    if (IsLineEnd(c)) {
      PassLineEnd(pos_);
      break;
    }
    if (c == '"' || c == '\'') {
      Token token = Make(Tok::kBad, pos_, line_, line_start_);
      ReadQuoted(token, c);
    } else if (pos_ + 1 < n && script_[pos_ + 1] == '/') {
      SkipLineComment();
    } else if (!(pos_ + 1 < n && script_[pos_ + 1] == '*' && SkipBlockComment())) {
      ++pos_;  // the operator "/"
    }
  }
  stray_bytes_.clear();
}

void Lexer::SkipLinesOfNames(const NameLengths& stops) {
  const std::size_t n = script_.size();
  const char* s = script_.data();
  while (pos_ < n && at_line_start_) {
    std::size_t at = pos_;
    while (at < n && IsBlank(s[at])) ++at;
    if (at >= n) return;
    const char c = s[at];
    if (IsLineEnd(c)) {
      PassLineEnd(at);
      continue;
    }
    if (!IsLetter(c)) return;
    const std::size_t end = SkipNameBytes(s, at + 1, n);
    const std::size_t length = end - at;
    if (c >= 'a' && c <= 'z' && length < 64 && (stops[static_cast<std::size_t>(c - 'a')] >> length & 1)) return;
    pos_ = end;
    SkipRestOfLine();
  }
}

bool Lexer::ReadLineStartName(Tok& kind, std::string_view& name) {
  const std::size_t n = script_.size();
  std::size_t at = pos_;
  while (at < n && IsBlank(script_[at])) ++at;
  if (at >= n || !IsLetter(script_[at])) return false;
  const std::size_t end = SkipNameBytes(script_.data(), at + 1, n);
  name = script_.substr(at, end - at);
  kind = KeywordOf(name);
  pos_ = end;
  at_line_start_ = false;
  return true;
}

void Lexer::ReadName(Token& token) {
  const std::size_t at = SkipNameBytes(script_.data(), pos_ + 1, script_.size());
  token.end = pos_ = at;
  token.kind = KeywordOf(Text(token));
  if (script_[at - 1] == '_') token.fault = Fault::kTrailingUnderscore;
}

// Decimal, octal (leading 0), hex (0x or $) integers and reals (1.5, 1., .5).
// A number ends where its digits end: optimised scripts run numbers straight
// into the next word ("0then"), which the game reads as two tokens.
void Lexer::ReadNumber(Token& token) {
  token.kind = Tok::kNumber;
  std::size_t at = pos_;
  const std::size_t n = script_.size();
  bool ok = true;
  if (script_[at] == '$' || (script_[at] == '0' && at + 1 < n && (script_[at + 1] | 0x20) == 'x')) {
    at += script_[at] == '$' ? 1 : 2;
    const std::size_t digits = at;
    while (at < n && IsHexDigit(script_[at])) ++at;
    ok = at > digits;
  } else {
    const bool octal = script_[at] == '0';
    while (at < n && IsDigit(script_[at])) {
      if (octal && script_[at] > '7') ok = false;
      ++at;
    }
    if (at < n && script_[at] == '.') {
      ok = true;  // 0.5 and 09.5 are reals, not octal
      ++at;
      while (at < n && IsDigit(script_[at])) ++at;
    }
  }
  if (!ok) token.fault = Fault::kBadNumber;
  token.end = pos_ = at;
}

// A string may span lines; a rawcode ends at its line. A backslash escapes
// the byte after it. Without a closing quote the literal runs to the end of
// its line and is marked unclosed.
void Lexer::ReadQuoted(Token& token, char quote) {
  const bool is_string = quote == '"';
  token.kind = is_string ? Tok::kString : Tok::kRawcode;
  const std::size_t n = script_.size();
  std::size_t line = line_, line_start = line_start_;
  std::size_t at = pos_ + 1;
  bool closed = false, backslash_at_line_end = false;
  // Plain bytes are skipped in runs, but only as far as the test below
  // would let each of them pass.
  const std::size_t bound = is_string && no_string_end_from_ < n ? no_string_end_from_ + 1 : n;
  while (at < n) {
    // Past a byte that is no backslash, this scan reads the script exactly
    // as an earlier one that found no closing quote: no need to go on.
    if (is_string && at > no_string_end_from_ && script_[at - 1] != '\\') break;
    const char c = script_[at];
    if (c == quote) {
      closed = true;
      ++at;
      break;
    }
    if (IsLineEnd(c)) {
      if (!is_string) break;
      at = SkipLineEnd(at);
      ++line;
      line_start = at;
      token.spans_lines = true;
      continue;
    }
    if (c == '\\' && at + 1 < n) {
      ++at;
      if (IsLineEnd(script_[at])) {
        if (!is_string) break;
        backslash_at_line_end = true;
        continue;  // the escaped line end still ends a line
      }
    }
    ++at;
    if (c != '\\') at = SkipPlainQuoted(script_.data(), at, bound, quote);
  }
  if (closed) {
    line_ = line;
    line_start_ = line_start;
    token.end = pos_ = at;
    if (backslash_at_line_end) {
      token.fault = Fault::kBackslashAtLineEnd;
    } else {
      const std::string_view text = Text(token);
      if (text.find('\0') != std::string_view::npos || text.find('\xFF') != std::string_view::npos)
        token.fault = Fault::kForbiddenByte;
    }
    return;
  }
  token.fault = is_string ? Fault::kUnclosedString : Fault::kUnclosedRawcode;
  if (is_string && pos_ < no_string_end_from_) no_string_end_from_ = pos_;
  token.spans_lines = false;
  at = pos_ + 1;
  while (at < n && !IsLineEnd(script_[at])) ++at;
  token.end = pos_ = at;
}

void Lexer::ReadOperator(Token& token) {
  const char c = script_[pos_];
  const bool equals_next = pos_ + 1 < script_.size() && script_[pos_ + 1] == '=';
  std::size_t length = 1;
  switch (c) {
    case '(': token.kind = Tok::kLParen; break;
    case ')': token.kind = Tok::kRParen; break;
    case '[': token.kind = Tok::kLBracket; break;
    case ']': token.kind = Tok::kRBracket; break;
    case ',': token.kind = Tok::kComma; break;
    case '+': token.kind = Tok::kPlus; break;
    case '-': token.kind = Tok::kMinus; break;
    case '*': token.kind = Tok::kStar; break;
    case '/': token.kind = Tok::kSlash; break;
    case '%': token.kind = Tok::kPercent; break;
    case '=':
      token.kind = equals_next ? Tok::kEq : Tok::kAssign;
      length += equals_next;
      break;
    case '<':
      token.kind = equals_next ? Tok::kLe : Tok::kLt;
      length += equals_next;
      break;
    case '>':
      token.kind = equals_next ? Tok::kGe : Tok::kGt;
      length += equals_next;
      break;
    case '!':
      if (equals_next) {
        token.kind = Tok::kNe;
        length = 2;
        break;
      }
      [[fallthrough]];
    default: token.fault = Fault::kBadByte;
  }
  token.end = pos_ = pos_ + length;
}

}  // namespace zarn::jass
