#include "core/editor_run.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

TEST(EditorRun, ChecksTheResultEvenWithMarkersAndAssumesWhatMarkedStatementsDeclare) {
  const JassApi api = JassApi::FromTexts("type unit extends handle\nnative KillUnit takes unit u returns nothing\n", "",
                                         "common.j", "Blizzard.j");
  EditorRunOptions options;
  options.api = &api;
  options.script =
      "function A takes nothing returns nothing\n"
      "var x\n"
      "call KillUnit(x)\n"
      "call KillUnit(1)\n"
      "endfunction\n";
  const EditorRunResult result = RunForEditor(options);
  ASSERT_EQ(result.markers.size(), 1u);
  EXPECT_EQ(result.markers[0].message, "Undefined type of variable");
  EXPECT_EQ(result.markers[0].statement, "var x");
  // One problem: the integer argument; nothing for x.
  ASSERT_EQ(result.problems.size(), 1u) << result.problems[1].message;
  EXPECT_NE(result.problems[0].message.find("cannot use integer as unit"), std::string::npos);
  EXPECT_TRUE(result.failure.empty());
}

TEST(EditorRun, AssumedNamesOfNewAndGlobalStatements) {
  const std::string processed =
      "function A takes nothing returns nothing\n"
      "//!ZARN Error:new timer t\n"
      "//!ZARN Error:local new global group g\n"
      "endfunction\n"
      "//!ZARN Error:global unit u = null\n";
  const std::vector<EditorMarker> markers = {
      {1, "", "new timer t"}, {2, "", "local new global group g"}, {4, "", "global unit u = null"}, {4, "", "free t"}};
  const std::vector<JassAssumedName> names = AssumedNames(processed, markers);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0].function + "." + names[0].name, "A.t");
  EXPECT_EQ(names[1].function + "." + names[1].name, ".g");
  EXPECT_EQ(names[2].function + "." + names[2].name, ".u");
}

}  // namespace
}  // namespace zarn
