#include "passes/keyword_rule.h"

#include "text/rewrite.h"
#include "text/text.h"

namespace zarn {

namespace {

constexpr std::string_view kNoNameByteBefore = "(?<![A-Za-z0-9_])";
constexpr std::string_view kNoNameByteAfter = "(?![A-Za-z0-9_])";

bool Begins(std::string_view text, std::string_view keyword) {
  return text.substr(0, keyword.size()) == keyword && StandsAsWord(text, 0, keyword.size());
}

}  // namespace

bool StandsAsWord(std::string_view text, std::size_t at, std::size_t length) {
  if (length == 0) return false;
  if (IsNameByte(text[at]) && at > 0 && IsNameByte(text[at - 1])) return false;
  const std::size_t end = at + length;
  if (IsNameByte(text[end - 1]) && end < text.size() && IsNameByte(text[end])) return false;
  return true;
}

std::string ReplaceWord(std::string_view text, std::string_view word, std::string_view by) {
  if (word.empty()) return std::string(text);
  std::string out;
  std::size_t done = 0;
  for (std::size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at)) {
    if (!StandsAsWord(text, at, word.size())) {
      ++at;
      continue;
    }
    out.append(text, done, at - done);
    out += by;
    at += word.size();
    done = at;
  }
  out.append(text, done);
  return out;
}

std::string KeywordRule::InPattern(std::string_view keyword) const {
  std::string pattern;
  if (words()) pattern.append(kNoNameByteBefore);
  pattern.append(keyword);
  if (words()) pattern.append(kNoNameByteAfter);
  return pattern;
}

std::string KeywordRule::Statement(std::string_view keyword, std::string_view rest) const {
  std::string pattern = "^";
  pattern.append(keyword);
  if (words()) pattern.append(kNoNameByteAfter);
  pattern.append(rest);
  return pattern;
}

std::size_t KeywordRule::Find(std::string_view text, std::string_view keyword, std::size_t from) const {
  if (keyword.empty()) return std::string_view::npos;
  for (std::size_t at = text.find(keyword, from); at != std::string_view::npos; at = text.find(keyword, at + 1))
    if (!words() || StandsAsWord(text, at, keyword.size())) return at;
  return std::string_view::npos;
}

std::size_t KeywordRule::Pos(std::string_view keyword, std::string_view text) const {
  if (!words()) return zarn::Pos(keyword, text);
  std::size_t at = Find(text, keyword);
  return at == std::string_view::npos ? 0 : at + 1;
}

std::string KeywordRule::ReplaceKeyword(std::string_view stmt, std::string_view keyword, std::string_view by) const {
  if (!words()) return ReplaceAll(stmt, keyword, by);
  if (!Begins(stmt, keyword)) return std::string(stmt);
  std::string out(by);
  out.append(stmt.substr(keyword.size()));
  return out;
}

void KeywordRule::RewriteEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                                   const std::function<std::optional<std::string>(std::string_view)>& rewrite) const {
  if (words())
    ReplaceEachMatchAtLineStarts(text, pattern, mode, rewrite);
  else
    ReplaceEachMatch(text, pattern, mode, rewrite);
}

}  // namespace zarn

namespace zarn {

namespace {
inline bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }
}  // namespace

bool TakeWordsDirective(std::string& text) {
  const std::string_view d = kWordsDirective;
  bool found = false;
  std::string out;
  std::size_t done = 0;
  for (std::size_t at = text.find(d); at != std::string::npos; at = text.find(d, at + 1)) {
    const std::size_t end = at + d.size();
    if ((at > 0 && !IsLineBreak(text[at - 1])) || (end < text.size() && !IsLineBreak(text[end]))) continue;
    if (!found) out.reserve(text.size());
    found = true;
    out.append(text, done, at - done);
    done = end;
  }
  if (!found) return false;
  out.append(text, done);
  text = std::move(out);
  return true;
}

}  // namespace zarn

namespace zarn {

namespace {

// The end of the literal or comment that opens at `at`, or `at` itself when
// none does. A quote without its partner is an ordinary byte.
std::size_t SkipLiteralOrComment(std::string_view s, std::size_t at) {
  const char c = s[at];
  const char next = at + 1 < s.size() ? s[at + 1] : '\0';
  if (c == '/' && next == '/') {
    const std::size_t end = s.find_first_of("\r\n", at);
    return end == std::string_view::npos ? s.size() : end;
  }
  if (c == '/' && next == '*') {
    const std::size_t end = s.find("*/", at + 2);
    return end == std::string_view::npos ? s.size() : end + 2;
  }
  if (c != '"' && c != '\'') return at;
  for (std::size_t i = at + 1; i < s.size(); ++i) {
    if (s[i] == '\\') {
      ++i;
    } else if (s[i] == c) {
      return i + 1;
    } else if (c == '\'' && IsLineBreak(s[i])) {
      break;  // a rawcode ends on its line
    }
  }
  return at + 1;
}

bool HoldsKeyword(std::string_view name) {
  if (name == "globals" || name == "endglobals") return false;  // JASS's own words
  for (std::string_view keyword : kStatementKeywords) {
    if (name == keyword) return false;
  }
  for (std::string_view keyword : kStatementKeywords) {
    if (name.find(keyword) != std::string_view::npos) return true;
  }
  return false;
}

}  // namespace

std::string FirstNameHoldingKeyword(std::string_view script) {
  for (std::size_t at = 0; at < script.size();) {
    const std::size_t skipped = SkipLiteralOrComment(script, at);
    if (skipped != at) {
      at = skipped;
      continue;
    }
    if (!IsNameByte(script[at])) {
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < script.size() && IsNameByte(script[end])) ++end;
    const std::string_view name = script.substr(at, end - at);
    if (HoldsKeyword(name)) return std::string(name);
    at = end;
  }
  return std::string();
}

std::string WordsHint(std::string_view script) {
  const std::string name = FirstNameHoldingKeyword(script);
  if (name.empty()) return std::string();
  return "Hint: names in this script hold keywords (such as \"" + name +
         "\"); with --words, or a line //!words in the script, keywords count only as whole words.";
}

}  // namespace zarn
