#include "passes/block_parser.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "testing/preprocess_fixture.h"

namespace zarn {
namespace {

using fixture::InFunction;
using fixture::Preprocess;

TEST(BlockParserTest, StatementListsSplitOneStatementPerLine) {
  struct Case {
    const char* line;
    const char* split;
  } cases[] = {
      {"new timer a, timer b", "new timer a\r\nnew timer b"},
      {"new global group g1, group g2", "new global group g1\r\nnew global group g2"},
      {"new  timer a,  b", "new timer a\r\nnew b"},  // white space collapsed first
      // Without a blank after a comma the keyword brings its own, comma by comma.
      {"new timer a,timer b", "new timer a\r\nnew timer b"},
      {"new global timer a,timer b, timer c", "new global timer a\r\nnew global timer b\r\nnew global timer c"},
      {"new timer a,", "new timer a\r\nnew"},
      {"flush a,b", "flush a\r\nflush b"},
      {"flush a, b", "flush a\r\nflush  b"},
      {"free a, b", "free a\r\nfree b"},
      {"free a,b", "free a\r\nfree b"},
      {"free a, b,c", "free a\r\nfree b\r\nfreec"},  // the first comma decides
      {"free a,", "free a\r\nfree "},
      {"free GetSomething(a, b)", "free GetSomething(a, b)"},
      {"var x = 1, y = 2.5", "var x = 1\r\nvar y = 2.5"},
      {"var s = Foo(1, 2)", "var s = Foo(1, 2)"},
      {"call f(a, b)", "call f(a, b)"},
  };
  for (const Case& c : cases) {
    std::string text = std::string("x\r\n") + c.line + "\r\ny\r\n";
    SplitStatementLists(text);
    EXPECT_EQ(text, std::string("x\r\n") + c.split + "\r\ny\r\n") << c.line;
  }
}

TEST(BlockParserTest, WorkedFunctionComesOutAsPlainJass) {
  Lines out = Preprocess(InFunction({"var u = GetTriggerUnit()", "var g", "new timer t", "new global group gg",
                                     "set g = CreateGroup()", "free g", "free u", "flush t"}));
  EXPECT_EQ(out, (Lines{"globals", "integer n = 0", "group gg = CreateGroup()", "endglobals",
                        "function Test takes nothing returns nothing", "local unit u = GetTriggerUnit()",
                        "local group g", "local timer t = CreateTimer()", "set g = CreateGroup()",
                        "call DestroyGroup(g)", "call RemoveUnit(u)", "set t = null", "endfunction"}));
}

TEST(BlockParserTest, ANewListWithoutBlanksGivesTheSameLocalsInBothModes) {
  const Lines want = {"local timer a = CreateTimer()", "local timer b = CreateTimer()"};
  for (KeywordRule rule : {KeywordRule(), KeywordRule::Words()}) {
    Lines out = Preprocess(InFunction({"new timer a,timer b"}), rule);
    ASSERT_EQ(out.size(), 7u) << rule.words();
    EXPECT_EQ(Lines(out.begin() + 4, out.begin() + 6), want) << rule.words();
  }
}

TEST(BlockParserTest, PassOrderDecidesWhatFreeCanSee) {
  // Handles declared by new are not locals yet when free is expanded.
  Lines out = Preprocess(InFunction({"new timer t", "free t", "var e = AddSpecialEffect(\"x\", 0, 0)", "free e"}));
  EXPECT_EQ(out[4], "local timer t = CreateTimer()");
  EXPECT_EQ(out[5], "//!ZARN Error:free t");
  EXPECT_EQ(out[7], "call DestroyEffect(e)");
  // Outside every body free and var are never seen.
  Lines outside = Preprocess({"globals", "free x", "var y", "endglobals"});
  EXPECT_EQ(outside, (Lines{"globals", "free x", "var y", "endglobals"}));
}

TEST(BlockParserTest, WriteBacksActOnEveryOccurrence) {
  // Rewriting "var x" also rewrites the longer "var xy = 5".
  Lines longer = Preprocess(InFunction({"var x", "var xy = 5", "set x = CreateGroup()"}));
  EXPECT_EQ(longer[4], "local group x");
  EXPECT_EQ(longer[5], "local group xy = 5");
  // Identical bodies are both rewritten by the first visit.
  Lines twins = Preprocess({"function A takes nothing returns nothing", "var i = 1", "endfunction",
                            "function A takes nothing returns nothing", "var i = 1", "endfunction"});
  EXPECT_EQ(twins[1], "local integer i = 1");
  EXPECT_EQ(twins[4], "local integer i = 1");
}

TEST(BlockParserTest, KeywordsAreLettersInsideLongerNames) {
  // "method" inside a name opens a method body that runs to "endmethod".
  Lines out =
      Preprocess({"function methodCall takes nothing returns nothing", "endfunction", "var b = true", "endmethod"});
  EXPECT_EQ(out[2], "local boolean b = true");
  // The greedy globals block runs from the first "globals" to the last "endglobals".
  NullProgress progress;
  zarn::Run run(progress);
  BuildLanguageTables(run);
  run.text = "globals\r\ninteger a\r\nendglobals\r\nglobals\r\ninteger b\r\nendglobals\r\n";
  ParseBlocks(run);
  EXPECT_EQ(run.globals_block, "globals\r\ninteger a\r\nendglobals\r\nglobals\r\ninteger b\r\nendglobals");
}

TEST(BlockParserTest, ShowsEachBodyNameWithARepaint) {
  struct Names : NullProgress {
    std::vector<std::string> shown;
    void SetFunctionName(std::string_view name, bool pump) override {
      if (pump) shown.emplace_back(name);
    }
  } names;
  zarn::Run run(names);
  BuildLanguageTables(run);
  run.text =
      "constant function Alpha takes nothing returns integer\r\nreturn 1\r\nendfunction\r\n"
      "method Beta takes nothing returns nothing\r\nendmethod\r\nfunction\r\nendfunction\r\n";
  ParseBlocks(run);
  EXPECT_EQ(names.shown, (std::vector<std::string>{"Alpha", "", "Beta"}));
}

TEST(BlockParserTest, ExampleScriptComesOutClean) {
  Lines out = Preprocess(LoadLines(ZARN_SOURCE_DIR "/examples/example.j"));
  EXPECT_EQ(ScanForMarkers(out).marker_count, 0u) << JoinLines(out);
  EXPECT_NE(std::find(out.begin(), out.end(), "local boolean isglobal = false"), out.end());
  for (const std::string& line : out) {
    for (const char* keyword : {"var ", "new ", "free ", "flush ", "global ", "mount ", "repeat", "until"})
      EXPECT_NE(line.rfind(keyword, 0), 0u) << line;
  }
}

}  // namespace
}  // namespace zarn
