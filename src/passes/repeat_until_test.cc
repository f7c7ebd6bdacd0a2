#include "passes/repeat_until.h"

#include <gtest/gtest.h>

#include "text/script.h"

namespace zarn {
namespace {

TEST(RepeatUntilTest, EachLineIsRewrittenOnItsOwn) {
  struct Case {
    Lines in, out;
  } cases[] = {
      {{"repeat", "set i = i + 1", "repeat", "set j = j + 1", "until j > 3", "until i >= 10"},
       {"loop", "set i = i + 1", "loop", "set j = j + 1", "exitwhen ( j > 3)", "endloop", "exitwhen ( i >= 10)",
        "endloop"}},
      {{"repeat", "call repeatTimer()", "set repeatCount = 1"}, {"loop", "call loopTimer()", "set loopCount = 1"}},
      {{"set untilDone = true"}, {"set exitwhen (Done = true)", "endloop"}},
      {{"until(x)", "until(x)"}, {"exitwhen ((x))", "endloop", "exitwhen ((x))", "endloop"}},
      {{"Repeat", "UNTIL x"}, {"Repeat", "UNTIL x"}},
  };
  for (const Case& c : cases) {
    std::string text = JoinLines(c.in);
    ExpandRepeatUntil(text);
    EXPECT_EQ(SplitText(text), c.out) << JoinLines(c.in);
  }
}

}  // namespace
}  // namespace zarn
