#include "core/pipeline.h"

#include "testing/entry_texts.h"
#include <gtest/gtest.h>

namespace zarn {
namespace {

TEST(PipelineTest, MarkerLinesAreClassifiedByTheFirstKindTheyHold) {
  Lines lines = {
      "//!ZARN Error:var x = y",                   // 0
      "call f()",                                  // 1
      "//!ZARN Error:free a //!ZARN Error:var b",  // 2: var wins
      "//!ZARN Error something else",              // 3: counted, no entry
      "//!ZARN Error:flush",                       // 4: bare keyword at the end
      "//!ZARN Error:global integer i",            // 5
      "x //!ZARN Error:freeze",                    // 6: not the kind free
  };
  ErrorReport report = ScanForMarkers(lines);
  EXPECT_EQ(report.marker_count, 6u);
  EXPECT_EQ(report.first_marker_line, 0u);
  EXPECT_EQ(testing::ProcessedEntryTexts(report), (std::vector<std::string>{
                                                      "Line 0: Undefined type of variable",
                                                      "Line 2: Undefined type of variable",
                                                      "Line 4: Can't parse flushing",
                                                      "Line 5: Can't parse this global declaration",
                                                  }));
  EXPECT_EQ(report.script.substr(0, 25), "//!ZARN Error:var x = y\r\n");

  // The processed text gives the same report as its lines.
  ErrorReport from_text = ScanTextForMarkers(JoinLines(lines));
  EXPECT_EQ(from_text.marker_count, report.marker_count);
  EXPECT_EQ(testing::ProcessedEntryTexts(from_text), testing::ProcessedEntryTexts(report));
  EXPECT_EQ(from_text.script, report.script);
}

TEST(PipelineTest, CleanScriptHasNoReportAndCaptionsCount) {
  ErrorReport report = ScanForMarkers({"function f takes nothing returns nothing", "endfunction"});
  EXPECT_EQ(report.marker_count, 0u);
  EXPECT_TRUE(report.entries.empty());
  EXPECT_EQ(ScanTextForMarkers("call f()\r\n//!ZARN Erro\r\n").marker_count, 0u);
  EXPECT_EQ(ErrorCaption(1), "ZARN: 1 error found!");
  EXPECT_EQ(ErrorCaption(3), "ZARN: 3 errors found!");
}

TEST(PipelineTest, ArchiveTestIsACaseSensitiveSubstringTest) {
  EXPECT_TRUE(PassesArchiveTest("C:\\maps\\w3x\\notes.txt"));
  EXPECT_TRUE(PassesArchiveTest("/tmp/a.w3m"));
  EXPECT_TRUE(PassesArchiveTest("x.mpq"));
  EXPECT_FALSE(PassesArchiveTest("C:\\maps\\MAP.W3X"));
  EXPECT_FALSE(PassesArchiveTest(""));
}

TEST(PipelineTest, StagesAreReportedInOrder) {
  struct Recorder : ProgressReporter {
    std::vector<std::pair<std::string, int>> reports;
    void SetProgress(std::string_view text, int value) override { reports.emplace_back(text, value); }
    void SetFunctionName(std::string_view, bool) override {}
  } recorder;
  zarn::Run run(recorder);
  BuildLanguageTables(run);
  run.lines = {"globals", "endglobals"};
  PreprocessScript(run);
  std::vector<std::pair<std::string, int>> expected = {
      {"Parsing spaces: WORKING...", 30},
      {"Parsing comments: WORKING...", 40},
      {"Split //!nozarn: WORKING...", 50},
      {"Fixing some shit: WORKING...", 60},
      {"Finding user functions: WORKING...", 70},
      {"Finding user methods: WORKING...", 70},
      {"Parsing empty lines: WORKING...", 80},
      {"Parsing function:", 50},
      {"Parsing method:", 50},
      {"Join //!nozarn: WORKING...", 90},
  };
  EXPECT_EQ(recorder.reports, expected);
}

}  // namespace
}  // namespace zarn
