#include "passes/handle_release.h"

#include <gtest/gtest.h>

#include <random>

#include "testing/entry_texts.h"
#include "testing/preprocess_fixture.h"
#include "text/text.h"

namespace zarn {
namespace {

TEST(HandleReleaseTest, FreeUsesTheTableBeforeTheBodysLocals) {
  Lines out = fixture::Preprocess(fixture::InFunction({"local group g = CreateGroup()",
                                                       "local unit u",
                                                       "local location loc",
                                                       "local hashtable ht",
                                                       "local dialog d",
                                                       "local integer i",
                                                       "local group tempRect",
                                                       "local unit whichPlayer",
                                                       "local timerdialog td",
                                                       "free g",
                                                       "free u",
                                                       "free loc",
                                                       "free ht",
                                                       "free d",
                                                       "free GetTriggerUnit()",
                                                       "free bj_lastCreatedGroup",
                                                       "free GetSpellTargetLoc()",
                                                       "free i",         // a local without a release type
                                                       "free tempRect",  // the table's Rect wins over the local group
                                                       "free whichPlayer",  // the table's Player has no release call
                                                       "free td",  // entered as type timer with the name "dialog td"
                                                       "free nothingKnown"}));
  Lines released(out.begin() + 13, out.end() - 1);
  EXPECT_EQ(
      released,
      (Lines{"call DestroyGroup(g)", "call RemoveUnit(u)", "call RemoveLocation(loc)", "call FlushParentHashtable(ht)",
             "call DialogDestroy(d)", "call RemoveUnit(GetTriggerUnit())", "call DestroyGroup(bj_lastCreatedGroup)",
             "call RemoveLocation(GetSpellTargetLoc())", "//!ZARN Error:free i", "call RemoveRect(tempRect)",
             "//!ZARN Error:free whichPlayer", "//!ZARN Error:free td", "//!ZARN Error:free nothingKnown"}));
  EXPECT_EQ(ScanForMarkers(out).entries.size(), 4u);
}

// The lookup against trying the names one by one: names that hold one
// another, repeat or are empty; statements with several "free ".
TEST(HandleReleaseTest, FreedNameLookupFindsTheFirstNameAsTheLoopDoes) {
  const char* const vocabulary[] = {"g", "g1", "g10", "", "u", "gu", "free", "g g"};
  std::mt19937 random(3);
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::string> owned;
    for (int n = random() % 6; n > 0; --n) owned.push_back(vocabulary[random() % std::size(vocabulary)]);
    std::vector<std::string_view> names(owned.begin(), owned.end());
    std::string stmt = "free";
    for (int n = 1 + random() % 3; n > 0; --n)
      stmt += std::string(random() % 2 ? " " : " free ") + vocabulary[random() % 8];
    std::size_t expected = std::string::npos;
    for (std::size_t i = 0; i < names.size() && expected == std::string::npos; ++i)
      if (Contains(stmt, "free " + owned[i])) expected = i;
    ASSERT_EQ(FreedNameLookup(names).FirstIn(stmt), expected) << stmt;
  }
}

TEST(HandleReleaseTest, FlushBecomesNullAssignmentAnywhere) {
  Lines out = fixture::Preprocess(
      {"globals", "endglobals", "flush a, b", "call flushCache()", "call FlushParentHashtable(ht)"});
  EXPECT_EQ(out, (Lines{"globals", "endglobals", "set a = null", "set  b = null", "call setCache() = null",
                        "call FlushParentHashtable(ht)"}));
}

TEST(HandleReleaseTest, FlushThatNamesNothingIsMarked) {
  std::string text = "set x = 1\r\nflush\r\n";
  ExpandFlushStatements(text);
  EXPECT_EQ(text, "set x = 1\r\n//!ZARN Error:flush\r\n");
  EXPECT_EQ(testing::ProcessedEntryTexts(ScanForMarkers(SplitText(text))),
            (std::vector<std::string>{"Line 1: Can't parse flushing"}));
}

}  // namespace
}  // namespace zarn
