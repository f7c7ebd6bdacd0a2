#include "passes/conditional_blocks.h"

#include <gtest/gtest.h>

#include "testing/preprocess_fixture.h"

namespace zarn {
namespace {

constexpr char kHeroGlobals[] = "globals\r\nunit udg_Hero = null\r\nendglobals";

TEST(ConditionalBlocksTest, NameInGlobalsDecidesWhetherTheStretchStays) {
  struct Case {
    const char* globals;
    Lines in, out;
  } cases[] = {
      {kHeroGlobals,
       {"//!if true (udg_Hero)", "call KillUnit(udg_Hero)", "//!endif"},
       {"", "call KillUnit(udg_Hero)", ""}},
      {kHeroGlobals, {"//!if false (udg_Hero)", "call KillUnit(udg_Hero)", "//!endif"}, {""}},
      {"", {"//!if true (udg_Hero)", "call KillUnit(udg_Hero)", "//!endif"}, {""}},
      {"", {"//!if false (udg_Hero)", "call A()", "//!endif"}, {"", "call A()", ""}},
      {kHeroGlobals, {"//!if true (udg_Her)", "call A()", "//!endif"}, {"", "call A()", ""}},
      // Both words in the stretch: left as it is.
      {kHeroGlobals,
       {"//!if false (udg_Hero)", "return true", "//!endif"},
       {"//!if false (udg_Hero)", "return true", "//!endif"}},
      // Two blocks form one match; the first directive decides for both.
      {kHeroGlobals,
       {"//!if false (udg_Hero)", "call A()", "//!endif", "call Between()", "//!if false (udg_Other)", "call B()",
        "//!endif", "call After()"},
       {"", "call After()"}},
      {"", {"//!if true (x)", "call A()"}, {"//!if true (x)", "call A()"}},  // no endif
  };
  for (const Case& c : cases) {
    std::string text = JoinLines(c.in);
    ResolveConditionalBlocks(text, c.globals);
    EXPECT_EQ(SplitText(text), c.out) << JoinLines(c.in);
  }
}

TEST(ConditionalBlocksTest, MarkerInsideAKeptBlockDisappears) {
  Lines out = fixture::Preprocess(fixture::InFunction(
      {"//!if true (udg_Hero)", "var x = y", "call KillUnit(udg_Hero)", "//!endif"}, {"unit udg_Hero = null"}));
  EXPECT_EQ(out[4], "call KillUnit(udg_Hero)");
  EXPECT_EQ(ScanForMarkers(out).marker_count, 0u);
}

}  // namespace
}  // namespace zarn
