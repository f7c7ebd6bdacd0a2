#include "passes/signatures.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

struct RecordingProgress : NullProgress {
  void SetProgress(std::string_view text, int value) override {
    stages.push_back(std::string(text) + " " + std::to_string(value));
  }
  void SetFunctionName(std::string_view name, bool) override { last_name = name; }
  std::vector<std::string> stages;
  std::string last_name;
};

using Rows = std::vector<std::pair<std::string, std::string>>;

// The rows appended to an empty table for one script.
Rows Registered(const std::string& script, RecordingProgress&& progress = {}) {
  zarn::Run run(progress);
  run.text = script;
  RegisterUserSignatures(run);
  Rows rows;
  for (std::size_t i = 0; i < run.return_types.size(); ++i)
    rows.emplace_back(run.return_types.name(i), run.return_types.type(i));
  return rows;
}

TEST(RegisterUserSignatures, FunctionsThenMethodsInScriptOrder) {
  EXPECT_EQ(Registered("method Walk takes nothing returns unit\r\nfunction Area takes real w, real h returns real\r\n"
                       "function IsOk takes nothing returns boolean\r\nmethod Move takes real x returns boolean\r\n"),
            (Rows{{"Area", "real"}, {"IsOk", "boolean"}, {"Walk", "unit"}, {"Move", "boolean"}}));
}

TEST(RegisterUserSignatures, ReportsStagesAndTheLastName) {
  RecordingProgress progress;
  zarn::Run run(progress);
  run.text = "function Area takes real w returns real\r\n";
  RegisterUserSignatures(run);
  EXPECT_EQ(progress.stages,
            (std::vector<std::string>{"Finding user functions: WORKING... 70", "Finding user methods: WORKING... 70"}));
  EXPECT_EQ(progress.last_name, "Area");
}

TEST(RegisterUserSignatures, ByLetters) {
  const std::pair<const char*, Rows> cases[] = {
      {"function Init takes nothing returns nothing", {}},
      {"constant function Max takes nothing returns integer", {}},
      {"method callback takes nothing returns integer", {}},
      {"endmethod", {}},
      {"call this.method()", {}},
      {"functionF takes nothing returns integer", {{"F", "integer"}}},
      {"function F takes nothing", {{"F", "n F takes nothing"}}},  // from the 8th character
      {"set methods = 1", {{"", "hods = 1"}}},
  };
  for (const auto& [line, rows] : cases) EXPECT_EQ(Registered(std::string(line) + "\r\n"), rows) << line;
}

TEST(RegisterUserSignatures, UserRowsFollowTheBuiltInRows) {
  NullProgress progress;
  zarn::Run run(progress);
  BuildLanguageTables(run);
  const std::size_t built_in = run.return_types.size();
  ASSERT_GT(built_in, 0u);
  const std::string name = run.return_types.name(0), type = run.return_types.type(0);
  run.text = "function " + name + " takes nothing returns mytype\r\n";
  RegisterUserSignatures(run);
  ASSERT_EQ(run.return_types.size(), built_in + 1);
  EXPECT_EQ(run.return_types.type(built_in), "mytype");
  EXPECT_EQ(run.return_types.FindReturnTypeByName(name), type);
}

}  // namespace
}  // namespace zarn
