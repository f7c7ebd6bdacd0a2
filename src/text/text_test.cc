#include "text/text.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

TEST(TextTest, PositionsAreOneBasedAndClamped) {
  EXPECT_EQ(Pos("b", "abc"), 2u);
  EXPECT_EQ(Pos("x", "abc"), 0u);
  EXPECT_EQ(Pos("", "abc"), 0u);
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abcdef", -4, 2), "ab");
  EXPECT_EQ(Copy("abcdef", 7, 1), "");
  EXPECT_EQ(Copy("abcdef", 3, -1), "");
  EXPECT_EQ(Copy("abcdef", 5, 100), "ef");
  std::string s = "abcdef";
  Delete(s, 0, 2);
  EXPECT_EQ(s, "abcdef");
  Delete(s, 3, 0);
  EXPECT_EQ(s, "abcdef");
  Delete(s, 5, 10);
  EXPECT_EQ(s, "abcd");
  Delete(s, 1, 1);
  EXPECT_EQ(s, "bcd");
}

TEST(TextTest, TrimRemovesEveryControlByteButNotHighBytes) {
  EXPECT_EQ(Trim(" \t\r\n\f\x01 a b \x1f"), "a b");
  EXPECT_EQ(Trim("\xe4x\xff"), "\xe4x\xff");
  EXPECT_EQ(Trim("   "), "");
}

TEST(TextTest, ReplaceAllNeverRescansItsOutput) {
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "aa");
  EXPECT_EQ(ReplaceAll("abab", "ab", "abab"), "abababab");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("abc", "z", "x"), "abc");
  std::string s = "x-y-z";
  EXPECT_TRUE(ReplaceFirstIn(s, "-", "+"));
  EXPECT_EQ(s, "x+y-z");
  EXPECT_TRUE(DeleteFirstIn(s, "-"));
  EXPECT_EQ(s, "x+yz");
  EXPECT_FALSE(DeleteFirstIn(s, "q"));
}

TEST(TextTest, CollapseWhitespaceUsesRunsOfTheOriginalText) {
  EXPECT_EQ(CollapseWhitespace("a  b"), "a b");
  EXPECT_EQ(CollapseWhitespace("a    b"), "a b");
  EXPECT_EQ(CollapseWhitespace("a  b  c"), "a b c");
  EXPECT_EQ(CollapseWhitespace("a\t\tb"), "a b");
  EXPECT_EQ(CollapseWhitespace("a\tb"), "a\tb");
  EXPECT_EQ(CollapseWhitespace("a\n\nb"), "a\n\nb");
  // The run of two is replaced everywhere first, which leaves two blanks of
  // the run of three; the run of three is then no longer found.
  EXPECT_EQ(CollapseWhitespace("a  b   c"), "a b  c");
  // A later run equal to an earlier one is replaced again.
  EXPECT_EQ(CollapseWhitespace("a  b   c  d"), "a b c d");
}

// Against the byte-by-byte rule, on texts of up to five blocks of sixteen
// bytes where blanks are rare, so pairs stand anywhere or nowhere.
TEST(TextTest, HasCollapsibleRunAgreesWithTheByteRule) {
  auto collapsible = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f'; };
  std::uint64_t state = 1;
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    for (std::size_t n = round % 80; n > 0; --n) {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      const unsigned pick = static_cast<unsigned>(state >> 59);  // 0 to 31
      text += pick < 4 ? " \t\r\f"[pick] : 'a';
    }
    bool expected = false;
    for (std::size_t i = 1; i < text.size(); ++i)
      expected = expected || (collapsible(text[i]) && collapsible(text[i - 1]));
    ASSERT_EQ(HasCollapsibleRun(text), expected) << text;
  }
}

}  // namespace
}  // namespace zarn
