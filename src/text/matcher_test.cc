#include "text/matcher.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace zarn {
namespace {

std::vector<std::string> AllMatches(std::string_view pattern, MatchMode mode, std::string_view text) {
  std::vector<std::string> out;
  Matcher m(pattern, mode);
  for (bool found = m.First(text); found; found = m.Next()) out.emplace_back(m.Matched());
  return out;
}

using V = std::vector<std::string>;

TEST(MatcherTest, LineModeAnchorsAtEveryLineEndButNeverInsideCrLf) {
  EXPECT_EQ(AllMatches("^x.*?$", MatchMode::kLine, "x1\r\nx2\rx3\nx4"), (V{"x1", "x2", "x3", "x4"}));
  // "$" never matches between CR and LF, so the line ends before the CR.
  EXPECT_EQ(AllMatches("a$", MatchMode::kLine, "a\r\nb"), (V{"a"}));
  EXPECT_EQ(AllMatches("^b", MatchMode::kLine, "a\r\nb"), (V{"b"}));
}

TEST(MatcherTest, WholeTextModeDotCrossesLinesAndAnchorsOnlyAtTheEnds) {
  EXPECT_EQ(AllMatches("a.*?b", MatchMode::kWholeText, "a\r\nb"), (V{"a\r\nb"}));
  EXPECT_EQ(AllMatches("a.*?b", MatchMode::kLine, "a\r\nb"), V{});
  EXPECT_EQ(AllMatches("^x", MatchMode::kWholeText, "x\nx"), (V{"x"}));
  EXPECT_EQ(AllMatches("//.*?$", MatchMode::kDotAllMultiLine, "a //c\r\nb //d"), (V{"//c", "//d"}));
}

TEST(MatcherTest, GreedyLazyAndCaseSensitive) {
  EXPECT_EQ(AllMatches("globals.*endglobals", MatchMode::kWholeText, "globals a endglobals b endglobals"),
            (V{"globals a endglobals b endglobals"}));
  EXPECT_EQ(AllMatches("f.*?e", MatchMode::kWholeText, "fxe fye"), (V{"fxe", "fye"}));
  EXPECT_EQ(AllMatches("repeat", MatchMode::kLine, "Repeat REPEAT repeat"), (V{"repeat"}));
  EXPECT_EQ(AllMatches("[ \\t\\r\\f]{2,}", MatchMode::kWholeText, "a \t b\r\r"), (V{" \t ", "\r\r"}));
  EXPECT_EQ(AllMatches("(0x|\\$|[0-9])", MatchMode::kWholeText, "$F 0x1"), (V{"$", "0x", "1"}));
}

TEST(MatcherTest, ScanWalksItsOwnCopyFromTheEndOfThePreviousMatch) {
  std::string text = "aa aa";
  Matcher m("a+", MatchMode::kWholeText);
  ASSERT_TRUE(m.First(text));
  text = "changed";  // the scan keeps walking the text as it was
  EXPECT_EQ(m.Matched(), "aa");
  ASSERT_TRUE(m.Next());
  EXPECT_EQ(m.Matched(), "aa");
  EXPECT_EQ(m.Offset(), 3u);
  EXPECT_FALSE(m.Next());
  EXPECT_EQ(AllMatches("x*", MatchMode::kWholeText, "ab").size(), 3u);  // empty matches advance
}

TEST(MatcherTest, HighBytesAndNulAreOrdinaryCharacters) {
  std::string text("\xe4\xf6 x\0y", 6);
  EXPECT_EQ(AllMatches(".*?y", MatchMode::kLine, text), (V{text}));
}

// Each match with its offset; First() or Scan() as asked.
std::vector<std::pair<std::size_t, std::string>> Matches(std::string_view pattern, MatchMode mode,
                                                         std::string_view text, bool copy) {
  std::vector<std::pair<std::size_t, std::string>> out;
  Matcher m(pattern, mode);
  for (bool found = copy ? m.First(text) : m.Scan(text); found; found = m.Next())
    out.emplace_back(m.Offset(), std::string(m.Matched()));
  return out;
}

// Patterns made of literals and wildcards are searched only where their
// literal stands (line mode: only in lines holding it). Wrapped in a group,
// the same pattern is searched plainly over the whole text.
TEST(MatcherTest, LiteralShortcutsFindWhatThePlainSearchFinds) {
  const std::pair<const char*, MatchMode> patterns[] = {
      {"^.*?new.*?timer.*?$", MatchMode::kLine},
      {"^var.*?$", MatchMode::kLine},
      {"^set.*?=.*?$", MatchMode::kLine},
      {"free.*?$", MatchMode::kLine},
      {"^.*?method.*?$", MatchMode::kLine},
      {"new", MatchMode::kLine},
      {"function.*?endfunction", MatchMode::kWholeText},
      {"//!if.*//!endif", MatchMode::kWholeText},
      {"^mount.*?unmount.*?$", MatchMode::kDotAllMultiLine},
      {"/\\*.*?\\*/", MatchMode::kWholeText},
      {"\\$x.*?$", MatchMode::kLine},
      // Spans: two literal searches stand for the lazy pattern, also where
      // the two literals overlap or the close comes before any open.
      {"//!nozarn.*?//!endnozarn", MatchMode::kDotAllMultiLine},
      {"ab.*?ba", MatchMode::kWholeText},
      {"aba.*?bab", MatchMode::kDotAllMultiLine},
      // Greedy spans: from the first open to the last close after it.
      {"ab.*ba", MatchMode::kDotAllMultiLine},
      {"aba.*bab", MatchMode::kWholeText},
      {"new.*timer", MatchMode::kWholeText},
      // A line that begins with a word: taken whole without the pattern engine.
      {"^new.*?$", MatchMode::kLine},
      {"^ab.*?$", MatchMode::kLine},
      {"^set .*?$", MatchMode::kLine},
      // Whole words: the edge tests split literals and guard the ends of spans.
      {"^new(?![A-Za-z0-9_]).*?$", MatchMode::kLine},
      {"^.*?(?<![A-Za-z0-9_])method(?![A-Za-z0-9_]).*?$", MatchMode::kLine},
      {"(?<![A-Za-z0-9_])function(?![A-Za-z0-9_]).*?(?<![A-Za-z0-9_])endfunction(?![A-Za-z0-9_])",
       MatchMode::kWholeText},
      {"(?<![A-Za-z0-9_])ab.*(?<![A-Za-z0-9_])ba(?![A-Za-z0-9_])", MatchMode::kWholeText},
      {"^mount(?![A-Za-z0-9_]).*?^unmount(?![A-Za-z0-9_]).*?$", MatchMode::kDotAllMultiLine},
  };
  const char* pieces[] = {"new",      "timer",     "var",          "set ",  "=",       "free",        "method", "end",
                          "function", "//!if",     "//!endif",     "mount", "unmount", "/*",          "*/",     "$x",
                          " ",        "x",         "\r",           "\n",    "\r\n",    "\n\r",        "a",      "b",
                          "ab",       "//!nozarn", "//!endnozarn", "_",     "x9",      "endfunction", "(",      "ba"};
  std::mt19937 random(11);
  for (int round = 0; round < 400; ++round) {
    std::string text;
    for (int n = random() % 40; n > 0; --n) text += pieces[random() % std::size(pieces)];
    if (round % 3 == 0) text += std::string("\0new", 4);  // NUL is an ordinary byte
    for (const auto& [pattern, mode] : patterns) {
      auto plain = Matches("(?:" + std::string(pattern) + ")", mode, text, /*copy=*/true);
      ASSERT_EQ(Matches(pattern, mode, text, /*copy=*/false), plain) << pattern << " on " << text;
      ASSERT_EQ(Matches(pattern, mode, text, /*copy=*/true), plain) << pattern << " on " << text;
    }
  }
}

}  // namespace
}  // namespace zarn
