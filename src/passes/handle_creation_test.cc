#include "passes/handle_creation.h"

#include <gtest/gtest.h>

#include "testing/entry_texts.h"
#include "testing/preprocess_fixture.h"

namespace zarn {
namespace {

using fixture::InFunction;
using fixture::Preprocess;

TEST(HandleCreationTest, NewFormsBecomeDeclarationsAndGlobalsMove) {
  Lines out = Preprocess(InFunction({
      "new timer t", "local new group g", "new hashtable ht", "new dialog d", "new region r", "new global trigger trg",
      "local new global force f", "global integer count = 0", "new unit u",
      "new group timerGroup",  // row 0 (timer) is tried before row 1 (group)
      "new timer renewT",      // every "new" of the statement becomes "local"
      "set isglobal = true",   // "global" as letters inside a name
  }));
  EXPECT_EQ(out, (Lines{"globals", "integer n = 0", "trigger trg = CreateTrigger()", "force f = CreateForce()",
                        "integer count = 0", "= true", "endglobals", "function Test takes nothing returns nothing",
                        "local timer t = CreateTimer()", "local group g = CreateGroup()",
                        "local hashtable ht = InitHashtable()", "local dialog d = DialogCreate()",
                        "local region r = CreateRegion()", "new unit u", "local group timerGroup = CreateTimer()",
                        "local timer relocalT = CreateTimer()", "set is", "endfunction"}));
}

TEST(HandleCreationTest, GlobalWithoutGlobalsBlockIsMarkedInPlace) {
  std::string text = "function F takes nothing returns nothing\r\nglobal integer x = 1\r\nendfunction\r\n";
  MoveGlobalDeclarations(text);
  EXPECT_EQ(text,
            "function F takes nothing returns nothing\r\n//!ZARN Error:global integer x = 1\r\n"
            "endfunction\r\n");
  ErrorReport report = ScanForMarkers(SplitText(text));
  EXPECT_EQ(testing::ProcessedEntryTexts(report),
            (std::vector<std::string>{"Line 1: Can't parse this global declaration"}));
}

TEST(HandleCreationTest, GlobalThatDeclaresNothingLeavesTheBlockIntact) {
  std::string text = "globals\r\nendglobals\r\nlocal boolean global\r\n";
  MoveGlobalDeclarations(text);
  EXPECT_EQ(text, "globals\r\nendglobals\r\nlocal boolean global\r\n");
}

}  // namespace
}  // namespace zarn
