#include "core/result_places.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/script_run.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "testing/entry_texts.h"
#include "testing/test_util.h"

namespace zarn {
namespace {

// Just enough of the game's API for the faults below: every fault is a call
// of an undefined function, reported at that function's name.
constexpr char kCommon[] =
    "type agent extends handle\n"
    "type widget extends agent\n"
    "type unit extends widget\n"
    "type timer extends agent\n"
    "type group extends agent\n"
    "native CreateTimer takes nothing returns timer\n"
    "native CreateGroup takes nothing returns group\n"
    "native DestroyTimer takes timer whichTimer returns nothing\n"
    "native DestroyGroup takes group whichGroup returns nothing\n"
    "native KillUnit takes unit whichUnit returns nothing\n"
    "native GetTriggerUnit takes nothing returns unit\n";

class Presented : public ErrorPresenter {
 public:
  void PresentErrors(const ErrorReport& report) override { reports.push_back(report); }
  std::vector<ErrorReport> reports;
};

class ResultPlacesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFileBytes(PathJoin(api_.path(), "common.j"), kCommon);
    WriteFileBytes(PathJoin(api_.path(), "Blizzard.j"), "globals\nendglobals\n");
  }

  // The places (FILE:LINE:COLUMN) of the entries of a script run over `script`.
  std::vector<std::string> Places(std::string script, bool words = false) {
    ScriptRunOptions options;
    options.script = std::move(script);
    options.sources = SourceMap::OneFile("map.j");
    options.api_dir = api_.path();
    options.words = words;
    NullProgress progress;
    Presented presented;
    RunScript(
        std::move(options), [](std::string_view) { return true; }, progress, presented);
    std::vector<std::string> places;
    for (const ErrorReport& report : presented.reports)
      for (const ErrorEntry& entry : report.entries) places.push_back(testing::PlaceText(entry));
    return places;
  }

  testing_util::TempDir api_;
};

using PlaceList = std::vector<std::string>;

TEST_F(ResultPlacesTest, NormalisationKeepsLinesAndColumns) {
  EXPECT_EQ(Places("// a comment\r\n"
                   "\r\n"
                   "function F takes nothing returns nothing\r\n"
                   "  /* a block\r\n"
                   "     over lines */\r\n"
                   "\t  local  integer   i=1 // set\r\n"
                   "\t  call   ZzA(  1 )\r\n"
                   "    call ZzB( )\r\n"
                   "endfunction\r\n"),
            (PlaceList{"map.j:7:11", "map.j:8:10"}));
  // Lone CR and lone LF ends count as lines, as the user's editor shows them.
  EXPECT_EQ(Places("function F takes nothing returns nothing\n"
                   "\r"
                   "\r"
                   "call ZzA()\n"
                   "endfunction\n"),
            PlaceList{"map.j:4:6"});
}

TEST_F(ResultPlacesTest, LiteralsAndRawBlocksKeepTheLinesAfterThem) {
  EXPECT_EQ(Places("function F takes nothing returns nothing\r\n"
                   "local string s = \"one\r\ntwo\r\nthree\"\r\n"
                   "call ZzA()\r\n"
                   "set s = \"a\r\nb\" + ZzB()\r\n"
                   "endfunction\r\n"),
            (PlaceList{"map.j:5:6", "map.j:7:6"}))
      << "the fault on a literal's second line is at that line";
  EXPECT_EQ(Places("function F takes nothing returns nothing\r\n"
                   "//!nozarn\r\n"
                   "call KillUnit(GetTriggerUnit())\r\n"
                   "call ZzInside()\r\n"
                   "//!endnozarn\r\n"
                   "call ZzAfter()\r\n"
                   "endfunction\r\n"),
            (PlaceList{"map.j:4:6", "map.j:6:6"}));
}

TEST_F(ResultPlacesTest, StatementsTheirRewritesStandForKeepTheirLines) {
  EXPECT_EQ(Places("globals\r\n"
                   "integer n = 0\r\n"
                   "endglobals\r\n"
                   "function F takes nothing returns nothing\r\n"
                   "new timer a, timer b\r\n"
                   "new global group gg\r\n"
                   "var x = 1, y = 2\r\n"
                   "global ZzType moved\r\n"
                   "call ZzA()\r\n"
                   "repeat\r\n"
                   "set x = x + 1\r\n"
                   "until x > 3\r\n"
                   "call ZzB()\r\n"
                   "set x = 2\r\n"
                   "flush b\r\n"
                   "call ZzC()\r\n"
                   "endfunction\r\n"),
            (PlaceList{"map.j:8:1", "map.j:9:6", "map.j:13:6", "map.j:16:6"}));
}

TEST_F(ResultPlacesTest, MountAndConditionalBlocks) {
  EXPECT_EQ(Places("globals\r\n"
                   "integer udg_Hero = 0\r\n"
                   "endglobals\r\n"
                   "function F takes nothing returns nothing\r\n"
                   "mount u to GetTriggerUnit()\r\n"
                   "call KillUnit(u)\r\n"
                   "call ZzU(u)\r\n"
                   "unmount\r\n"
                   "//!if false (udg_Hero)\r\n"
                   "call ZzDropped()\r\n"
                   "//!endif\r\n"
                   "call ZzAfter()\r\n"
                   "endfunction\r\n"),
            (PlaceList{"map.j:7:6", "map.j:12:6"}));
  EXPECT_EQ(Places("globals\r\n"
                   "integer udg_Hero = 0\r\n"
                   "endglobals\r\n"
                   "function F takes nothing returns nothing\r\n"
                   "//!if true (udg_Hero)\r\n"
                   "call ZzKept()\r\n"
                   "//!endif\r\n"
                   "call ZzAfter()\r\n"
                   "endfunction\r\n"),
            (PlaceList{"map.j:6:6", "map.j:8:6"}));
}

TEST_F(ResultPlacesTest, MarkersOfTwoIdenticalBodiesAreEachAtTheirOwnLine) {
  const std::string body =
      "takes nothing returns nothing\r\n"
      "var q\r\n"
      "endfunction\r\n";
  EXPECT_EQ(Places("function A " + body + "function B " + body + "\r\nfunction C " + body),
            (PlaceList{"map.j:2:1", "map.j:5:1", "map.j:9:1"}));
}

TEST_F(ResultPlacesTest, WordsMethodsNulAndTheEnds) {
  EXPECT_EQ(Places("//!words\r\n"
                   "function F takes nothing returns nothing\r\n"
                   "local integer newcount = 0\r\n"
                   "call ZzA()\r\n"
                   "endfunction\r\n"),
            PlaceList{"map.j:4:6"});
  EXPECT_EQ(Places("function F takes nothing returns nothing\r\n"
                   "call ZzA()\r\n"
                   "endfunction\r\n",
                   /*words=*/true),
            PlaceList{"map.j:2:6"});
  EXPECT_EQ(Places("call ZzFirst()\r\n"
                   "function F takes nothing returns nothing\r\n"
                   "endfunction\r\n"
                   "call ZzLast()"),
            (PlaceList{"map.j:1:1", "map.j:4:1"}));
  constexpr char kNul[] = "function F takes nothing returns nothing\r\ncall ZzA()\r\nendfunction\r\n\0call ZzB()\r\n";
  EXPECT_EQ(Places(std::string(kNul, sizeof kNul - 1)), PlaceList{"map.j:2:6"});
}

TEST_F(ResultPlacesTest, KeptAnnotationsStandAtTheirOwnLines) {
  EXPECT_EQ(Places("// header\r\n"
                   "\r\n"
                   "//# +nosemanticerror\r\n"
                   "function F takes nothing returns nothing\r\n"
                   "endfunction\r\n"
                   "function G takes nothing returns nothing\r\n"
                   "call ZzA()\r\n"
                   "endfunction\r\n"),
            PlaceList{"map.j:7:6"});
}

TEST(UserColumnTest, ExactUpToBlanksOtherwiseTheFirstNonBlankByte) {
  EXPECT_EQ(UserColumn("set i = 1", 9, "  set  i=1"), 10u);
  EXPECT_EQ(UserColumn("call f(x)", 8, "\tcall f( x )"), 10u);
  EXPECT_EQ(UserColumn("local timer t = CreateTimer()", 17, "   new timer t"), 4u);
  EXPECT_EQ(UserColumn("x", 1, ""), 1u);
}

}  // namespace
}  // namespace zarn
