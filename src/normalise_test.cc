#include "normalise.h"

#include <gtest/gtest.h>

#include <random>

#include "matcher.h"
#include "rewrite.h"
#include "text.h"

namespace zarn {
namespace {

// The plain rules, one search of the live text per match: the reference that
// the one-pass passes must reproduce byte for byte.
std::string PlainRemoveLineComments(std::string live) {
  Matcher m("//(?:[^!\\r\\n].*?)?$", MatchMode::kDotAllMultiLine);
  for (bool found = m.First(live); found; found = m.Next()) {
    if (m.Matched() == "//") {
      // The live text always ends with the scanned text after the last match.
      std::size_t own_place = live.size() - (m.Subject().size() - m.Offset());
      live.erase(own_place, 2);
    } else {
      DeleteFirstIn(live, m.Matched());
    }
  }
  return live;
}

std::string PlainRemoveBlockComments(std::string live) {
  Matcher m("/\\*.*?\\*/", MatchMode::kWholeText);
  for (bool found = m.First(live); found; found = m.Next()) ReplaceAllIn(live, m.Matched(), "");
  return live;
}

std::string PlainRemoveComments(std::string text) {
  return PlainRemoveBlockComments(PlainRemoveLineComments(std::move(text)));
}

std::string Removed(std::string text) {
  RemoveComments(text);
  return text;
}

TEST(NormaliseSpaces, TrimsAndCollapsesEachLine) {
  Lines lines = {"  local  integer\t\ti ", "a\tb", "a  b   c", " \t \f", ""};
  NormaliseSpaces(lines);
  // A single tab stays; the run of three keeps two blanks once the run of two
  // has been replaced everywhere.
  EXPECT_EQ(lines, (Lines{"local integer i", "a\tb", "a b  c", "", ""}));
}

TEST(RemoveEmptyLines, DropsBlankLinesAndTrimsTheRest) {
  Lines lines = {"", " a ", "\t", "b", "  "};
  RemoveEmptyLines(lines);
  EXPECT_EQ(lines, (Lines{"a", "b"}));
  Lines blank = {"", " ", "\t\t"};
  RemoveEmptyLines(blank);
  EXPECT_TRUE(blank.empty());
}

TEST(RemoveComments, Cases) {
  struct Case {
    const char* name;
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"trailing comment keeps the blank", "call f() // note\r\nx\r\n", "call f() \r\nx\r\n"},
      {"directive lines stay", "//! import a\r\nx //!keep\r\n", "//! import a\r\nx //!keep\r\n"},
      {"comment inside a directive line", "//!if // c\r\n", "//!if \r\n"},
      {"block comment over lines", "a /* b\r\nc\r\nd */ e\r\n", "a  e\r\n"},
      {"block comment between tokens", "a/* b */c\r\n", "ac\r\n"},
      {"line comment inside a block comment", "/* x // y */\r\nq */ r\r\n", " r\r\n"},
      {"no nesting", "/* a /* b */ c */\r\n", " c */\r\n"},
      {"identical block comments", "/* x */a/* x */b\r\n", "ab\r\n"},
      {"unterminated block comment", "a /* b\r\n", "a /* b\r\n"},
      {"bare // keeps the next line", "x\r\n//\r\ny\r\n", "x\r\n\r\ny\r\n"},
      {"bare // after a directive", "//!if\r\n//\r\nz\r\n", "//!if\r\n\r\nz\r\n"},
      {"bare // at the end", "x //", "x "},
      {"repeated comments", "a // c\r\nb // c\r\n", "a \r\nb \r\n"},
      {"lone CR and LF line ends", "a // c\rb // d\nc\n", "a \rb \nc\n"},
      {"string literals are not recognised", "call s(\"http://x\")\r\n", "call s(\"http:\r\n"},
      {"no comments", "function F takes nothing returns nothing\r\n",
       "function F takes nothing returns nothing\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Removed(c.in), c.out) << c.name;
    EXPECT_EQ(PlainRemoveComments(c.in), c.out) << c.name << " (reference)";
  }
}

// Random scripts built from the pieces that make comment removal interesting:
// repeated comments, comments inside other lines and block comments, every
// kind of line end.
std::string RandomScript(std::mt19937& random) {
  static const char* const kPieces[] = {
      "//", "/*", "*/", "/", "*", "!", "//!", "// c", "// c", "/* c */", "/* c */", "a", "b",
      " ", "\r\n", "\r\n", "\r", "\n", "x = 1", "//!if", "///", "/**/", "\"//\"",
  };
  std::uniform_int_distribution<int> count(0, 30);
  std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
  std::string text;
  for (int i = count(random); i > 0; --i) text += kPieces[piece(random)];
  return text;
}

TEST(RemoveComments, OnePassMatchesThePlainRulesOnGeneratedScripts) {
  std::mt19937 random(20240601);
  for (int i = 0; i < 20000; ++i) {
    std::string text = RandomScript(random);
    ASSERT_EQ(Removed(text), PlainRemoveComments(text)) << "input: " << text;
  }
}

// The shared one-pass idioms on inputs where the plain rules do act away from
// the match's own place: recurring texts and nested spans.
TEST(OnePassRewrites, MatchThePlainIdiomsWhereTextsRecur) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> length(0, 24);
  std::uniform_int_distribution<int> letter(0, 3);
  const char kLetters[] = "ab<>";
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    for (int n = length(random); n > 0; --n) text += kLetters[letter(random)];

    std::string plain = text, fast = text;
    DeleteFirstForEachMatch(plain, "ab[ab]*?b", MatchMode::kWholeText,
                            [](std::string_view m) { return std::string(m); });
    DeleteFirstOccurrenceOfEachMatch(fast, "ab[ab]*?b", MatchMode::kWholeText, "ab",
                                     [](std::string_view) { return false; });
    ASSERT_EQ(fast, plain) << "first occurrence, input: " << text;

    std::string spans = ReplaceAll(ReplaceAll(text, "<", "/*"), ">", "*/");
    plain = fast = spans;
    ReplaceEachMatch(plain, "/\\*.*?\\*/", MatchMode::kWholeText, [](std::string_view) { return std::string(); });
    DeleteEveryOccurrenceOfEachSpan(fast, "/\\*.*?\\*/", MatchMode::kWholeText, "/*");
    ASSERT_EQ(fast, plain) << "every occurrence, input: " << spans;
  }
}

}  // namespace
}  // namespace zarn
