#include "passes/mount.h"

#include <gtest/gtest.h>

#include "text/script.h"

namespace zarn {
namespace {

TEST(MountTest, AliasIsReplacedAsLettersWithinItsStretch) {
  struct Case {
    Lines in, out;
  } cases[] = {
      {{"function Test takes nothing returns nothing", "mount caster to GetTriggerUnit()",
        "call SetUnitState(caster, UNIT_STATE_MANA, 0)", "call KillUnit(caster)", "unmount", "endfunction",
        "call KillUnit(caster)"},
       {"function Test takes nothing returns nothing", "", "call SetUnitState(GetTriggerUnit(), UNIT_STATE_MANA, 0)",
        "call KillUnit(GetTriggerUnit())", "", "endfunction", "call KillUnit(caster)"}},
      {{"mount u to GetTriggerUnit()", "return u", "unmount"}, {"", "retGetTriggerUnit()rn GetTriggerUnit()", ""}},
      {{"mount total to 5", "set total = 1", "unmount"}, {"", "set total = 1", ""}},
      // Blocks do not nest: the first ends at the first unmount, the inner
      // mount is then taken as an open one running to the end.
      {{"mount a to X", "mount b to Y", "call F(a, b)", "unmount", "unmount", "set b = 1"},
       {"", "", "cXll F(X, Y)", "", "unmount", "set Y = 1"}},
      // Open mount: the rest of the script, final line break included.
      {{"mount p to GetOwningPlayer(u)", "call F(p)", "mount q to 1", "call G(p, q)"},
       {"", "call F(GetOwningPlayer(u))", "mount q to 1", "call G(GetOwningPlayer(u), q)"}},
      {{"mount v to 1", "call unmountAll(v)"}, {"", "call unmountAll(1)"}},
      {{"Mount v to 1", "call F(v)"}, {"Mount v to 1", "call F(v)"}},
  };
  for (const Case& c : cases) {
    std::string text = JoinLines(c.in);
    ExpandMountBlocks(text);
    EXPECT_EQ(SplitText(text), c.out) << JoinLines(c.in);
  }
}

}  // namespace
}  // namespace zarn
