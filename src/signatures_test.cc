#include "signatures.h"

#include <gtest/gtest.h>

#include <utility>

namespace zarn {
namespace {

class RecordingProgress : public ProgressReporter {
 public:
  void SetProgress(std::string_view text, int value) override {
    stages.emplace_back(std::string(text), value);
  }
  void SetFunctionName(std::string_view name, bool pump) override {
    last_name = name;
    pumped = pumped || pump;
  }
  std::vector<std::pair<std::string, int>> stages;
  std::string last_name;
  bool pumped = false;
};

using Rows = std::vector<std::pair<std::string, std::string>>;

// The rows appended to an empty table for one script.
Rows Registered(const std::string& script, RecordingProgress& progress) {
  zarn::Run run(progress);
  run.text = script;
  RegisterUserSignatures(run);
  Rows rows;
  for (std::size_t i = 0; i < run.return_types.size(); ++i)
    rows.emplace_back(run.return_types.name(i), run.return_types.type(i));
  return rows;
}

Rows Registered(const std::string& script) {
  RecordingProgress progress;
  return Registered(script, progress);
}

TEST(RegisterUserSignatures, FunctionsThenMethodsInScriptOrder) {
  RecordingProgress progress;
  Rows rows = Registered(
      "method Walk takes nothing returns unit\r\n"
      "function Area takes real w, real h returns real\r\n"
      "endfunction\r\n"
      "function IsOk takes nothing returns boolean\r\n"
      "method Move takes real x returns boolean\r\n",
      progress);
  EXPECT_EQ(rows, (Rows{{"Area", "real"}, {"IsOk", "boolean"}, {"Walk", "unit"}, {"Move", "boolean"}}));
  EXPECT_EQ(progress.stages, (std::vector<std::pair<std::string, int>>{
                                 {"Finding user functions: WORKING...", 70},
                                 {"Finding user methods: WORKING...", 70}}));
  EXPECT_EQ(progress.last_name, "Move");
  EXPECT_FALSE(progress.pumped);
}

TEST(RegisterUserSignatures, LinesThatAddNoRow) {
  const char* const scripts[] = {
      "function Init takes nothing returns nothing\r\n",
      "constant function Max takes nothing returns integer\r\n",
      "method callback takes nothing returns integer\r\n",
      "endmethod\r\n",
      "call this.method()\r\n",
      "method Stop takes nothing returns nothing\r\n",
  };
  for (const char* script : scripts) EXPECT_EQ(Registered(script), Rows{}) << script;
}

TEST(RegisterUserSignatures, DerivationsByLetters) {
  // Names and types are cut by the first "takes" and "returns", whatever the
  // line is; a line mentioning "method" anywhere counts as a declaration.
  EXPECT_EQ(Registered("functionF takes nothing returns integer\r\n"), (Rows{{"F", "integer"}}));
  EXPECT_EQ(Registered("function F takes nothing\r\n"), (Rows{{"F", "n F takes nothing"}}));
  EXPECT_EQ(Registered("function G returns real\r\n"), (Rows{{"", "real"}}));
  EXPECT_EQ(Registered("set methods = 1\r\n"), (Rows{{"", "hods = 1"}}));
}

TEST(RegisterUserSignatures, UserRowsFollowTheBuiltInRows) {
  NullProgress progress;
  zarn::Run run(progress);
  BuildLanguageTables(run);
  const std::size_t built_in = run.return_types.size();
  ASSERT_GT(built_in, 0u);
  const std::string first_name = run.return_types.name(0);
  const std::string first_type = run.return_types.type(0);
  run.text = "function " + first_name + " takes nothing returns mytype\r\n";
  RegisterUserSignatures(run);
  ASSERT_EQ(run.return_types.size(), built_in + 1);
  EXPECT_EQ(run.return_types.name(built_in), first_name);
  EXPECT_EQ(run.return_types.type(built_in), "mytype");
  EXPECT_EQ(run.return_types.FindReturnTypeByName(first_name), first_type);
}

}  // namespace
}  // namespace zarn
