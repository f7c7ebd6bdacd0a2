#include "check/jass_literals.h"

#include <string>

namespace zarn::jass {

namespace {

constexpr std::size_t kStringMax = 1023;

// Characters between the quotes, an escape and the byte after it as one.
std::size_t Characters(std::string_view inside) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < inside.size(); ++i, ++count)
    if (inside[i] == '\\') ++i;
  return count;
}

// The escapes a one-character rawcode may be.
bool IsRawcodeEscape(char c) { return c == 'b' || c == 't' || c == 'r' || c == 'n' || c == 'f' || c == '\\'; }

}  // namespace

void CheckLiteral(Semantics& sem, const Token& literal) {
  if (literal.fault != Fault::kNone) return;  // reported by the lexer
  const std::string_view text = sem.Text(literal);
  const std::string_view inside = text.substr(1, text.size() - 2);
  if (literal.kind == Tok::kRawcode) {
    const std::size_t n = Characters(inside);
    if (n != 1 && n != 4)
      sem.Report(literal,
                 "rawcode " + std::string(text) + " has " + std::to_string(n) + " characters; it must have 1 or 4");
    else if (n == 4 && inside.find('\\') != std::string_view::npos)
      sem.Report(literal,
                 "rawcode " + std::string(text) + " holds a backslash, which only a one-character rawcode may");
    else if (n == 1 && inside[0] == '\\' && !IsRawcodeEscape(inside[1]))
      sem.Report(literal,
                 "rawcode " + std::string(text) + " is no escape the game reads (\\b, \\t, \\r, \\n, \\f or \\\\)");
  } else if (inside.size() > kStringMax && Characters(inside) > kStringMax) {
    sem.Report(literal,
               "string literal of " + std::to_string(Characters(inside)) + " bytes; the game reads at most 1023");
  }
}

}  // namespace zarn::jass
