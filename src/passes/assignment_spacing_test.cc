#include "passes/assignment_spacing.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/text.h"

namespace zarn {
namespace {

TEST(FixAssignmentSpacing, Cases) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      // Only the first place in the whole script gets blanks.
      {"set count=count+1\r\nset x=1\r\n", "set count = count+1\r\nset x=1\r\n"},
      {"a=b=c", "a = b=c"},
      // Not between two letters or digits: the first place lies further on.
      {"set x=-1\r\nset s=\"t\"\r\nset a[1]=2\r\nset y=2\r\n",
       "set x=-1\r\nset s=\"t\"\r\nset a[1]=2\r\nset y = 2\r\n"},
      {"set s=\"a=b\"", "set s=\"a = b\""},
      // Blanks inside parentheses and before a comma after ")", one each.
      {"call f( a, b )", "call f(a, b)"},
      {"call f(g(x) , y)", "call f(g(x), y)"},
      {"call f(  a)", "call f( a)"},
      {"local integer i = 0\r\ncall f(a)\r\n", "local integer i = 0\r\ncall f(a)\r\n"},
  };
  for (const Case& c : cases) {
    std::string text = c.in;
    FixAssignmentSpacing(text);
    EXPECT_EQ(text, c.out) << "input: " << c.in;
  }
}

// The one-pass removal against the three replacements it stands for, on texts
// dense in parentheses, blanks and commas, short and long (whole blocks of
// sixteen bytes, removals at block edges, halves on two threads).
TEST(FixAssignmentSpacing, OnePassRemovalMatchesTheThreeReplacements) {
  std::mt19937 random(7);
  const char alphabet[] = {'(', ')', ' ', ' ', ',', 'a', '\r', '\n', '\0'};
  // The last rounds are texts of a megabyte and more, done in two halves.
  for (int round = 0; round < 4004; ++round) {
    std::string text(round < 3000 ? random() % 40 : round < 4000 ? random() % 400 : (1u << 20) + random() % 4096, 'x');
    for (char& c : text) c = alphabet[random() % sizeof alphabet];
    const std::string expected = ReplaceAll(ReplaceAll(ReplaceAll(text, ") ,", "),"), "( ", "("), " )", ")");
    RemoveBlanksInsideParentheses(text);
    ASSERT_TRUE(text == expected) << "round " << round;
  }
}

}  // namespace
}  // namespace zarn
