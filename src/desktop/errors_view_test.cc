// The errors window's behaviour, for both toolkits: what it shows after a
// report, which line each entry selects, and the entry numbers.
#include "desktop/errors_view.h"

#include <gtest/gtest.h>

#include "core/pipeline.h"
#include "core/result_check.h"
#include "testing/entry_texts.h"

namespace zarn {
namespace {

// The text of line `line` as the view shows it.
std::string LineText(const ErrorsView& view, std::size_t line) {
  ErrorsView::LineSpan span;
  if (!view.Line(line, span)) return "<none>";
  return view.text().substr(span.start, span.length);
}

std::string SelectedText(const ErrorsView& view) { return LineText(view, view.selected_line()); }

const Lines kThreeMarkers = {"globals", "//!ZARN Error:var x = 1", "endglobals", "//!ZARN Error:free y",
                             "//!ZARN Error:var z"};

TEST(ErrorsViewTest, BeforeAReportTheCaptionIsTheProgramName) {
  ErrorsView view;
  EXPECT_EQ(view.caption(), "ZARN");
  EXPECT_EQ(view.selected_entry(), -1);
}

TEST(ErrorsViewTest, PresentationSelectsTheFirstMarkerLineAndCounts) {
  struct Case {
    const char* name;
    Lines lines;
    const char* caption;
    std::size_t line;
    const char* selected;
    std::size_t entries;
    int entry;
  } cases[] = {
      {"one marker on line 0", {"//!ZARN Error:var x", "call A()"}, "ZARN: 1 error found!", 0, "var x", 1, 0},
      {"three markers", kThreeMarkers, "ZARN: 3 errors found!", 1, "var x = 1", 3, 0},
      // The first entry belongs to line 2: the view stays on the first marker line.
      {"unknown kind first",
       {"//!ZARN Error:odd thing", "set a = 1", "//!ZARN Error:free y"},
       "ZARN: 2 errors found!",
       0,
       "odd thing",
       1,
       0},
      {"no entries",
       {"call A()", "//!ZARN Error:weird //!ZARN Error:again"},
       "ZARN: 1 error found!",
       1,
       "weird again",
       0,
       -1},
  };
  for (const Case& c : cases) {
    ErrorsView view;
    view.Present(ScanForMarkers(c.lines));
    EXPECT_EQ(view.caption(), c.caption) << c.name;
    EXPECT_EQ(view.selected_line(), c.line) << c.name;
    EXPECT_EQ(SelectedText(view), c.selected) << c.name;
    EXPECT_EQ(view.entries().size(), c.entries) << c.name;
    EXPECT_EQ(view.selected_entry(), c.entry) << c.name;
    EXPECT_EQ(view.text().find("//!ZARN Error:"), std::string::npos) << c.name;
    // The join ends with a line break: one empty line more than the script.
    EXPECT_EQ(view.line_count(), c.lines.size() + 1) << c.name;
  }
}

TEST(ErrorsViewTest, ChoosingAnEntrySelectsItsLineOnce) {
  ErrorsView view;
  view.Present(ScanForMarkers(kThreeMarkers));
  EXPECT_FALSE(view.ChooseEntry(0));  // already chosen: no click
  EXPECT_TRUE(view.ChooseEntry(1));
  EXPECT_EQ(view.selected_line(), 3u);
  EXPECT_EQ(SelectedText(view), "free y");
  EXPECT_FALSE(view.ChooseEntry(1));
  EXPECT_TRUE(view.ChooseEntry(2));
  EXPECT_EQ(SelectedText(view), "var z");
  EXPECT_FALSE(view.ChooseEntry(3));
  EXPECT_FALSE(view.ChooseEntry(-1));
  EXPECT_EQ(view.selected_line(), 4u);
}

// Problems of the JASS 2 check are entries like markers.
TEST(ErrorsViewTest, CheckProblemsSelectTheirLines) {
  ErrorsView view;
  NullProgress progress;
  view.Present(
      CheckResultScript("globals\r\nreal xprate_\r\n= 1\r\nendglobals\r\n"
                        "function F takes nothing returns nothing\r\nendloop\r\nendfunction\r\n",
                        progress));
  EXPECT_EQ(view.caption(), "ZARN: 3 errors found!");
  EXPECT_EQ(SelectedText(view), "real xprate_");
  ASSERT_EQ(view.entries().size(), 3u);
  EXPECT_EQ(view.entries()[2], "Line 5: \"endloop\" without \"loop\"");
  EXPECT_TRUE(view.ChooseEntry(2));
  EXPECT_EQ(SelectedText(view), "endloop");
}

// A restored string may hold lone CR and LF breaks: the view counts lines as
// the marker scan does and writes every break as CR LF.
TEST(ErrorsViewTest, LoneLineBreaksCountAsLines) {
  ErrorsView view;
  view.Present(ScanTextForMarkers("call F(\"a\rb\nc\")\r\n//!ZARN Error:var x\r\n"));
  EXPECT_EQ(view.selected_line(), 3u);
  EXPECT_EQ(SelectedText(view), "var x");
  EXPECT_EQ(view.text(), "call F(\"a\r\nb\r\nc\")\r\nvar x\r\n");
  EXPECT_EQ(LineText(view, 1), "b");
  EXPECT_EQ(LineText(view, 5), "<none>");
}

TEST(ErrorsViewTest, FiveDigitLineNumbersAndLinesPastTheEnd) {
  Lines lines(12346, "call DoNothing()");
  lines[3] = "//!ZARN Error:free a";
  lines[12345] = "//!ZARN Error:var far_away";
  ErrorsView view;
  view.Present(ScanForMarkers(lines));
  EXPECT_TRUE(view.ChooseEntry(1));
  EXPECT_EQ(view.selected_line(), 12345u);
  EXPECT_EQ(SelectedText(view), "var far_away");

  // An entry whose line is not in the script still shows its number.
  ErrorReport report;
  report.script = "a\r\n";
  report.entries = {testing::ProcessedEntry(0, "x"), testing::ProcessedEntry(99, "y")};
  report.marker_count = 2;
  view.Present(report);
  EXPECT_TRUE(view.ChooseEntry(1));
  EXPECT_EQ(view.selected_line(), 99u);
  EXPECT_EQ(SelectedText(view), "<none>");
}

// The window lists the processed line from 0, and a file of the API by its
// own line from 0, as before entries knew the user's place.
TEST(ErrorsViewTest, EntriesNumberTheProcessedScriptFromZero) {
  ErrorEntry marker{SourcePlace{"map.j", 40, 5}, "Undefined type of variable", 17};
  EXPECT_EQ(EntryText(marker), "Line 17: Undefined type of variable");
  ErrorEntry api{SourcePlace{"/api/common.j", 4, 2}, "undefined type", std::nullopt};
  EXPECT_EQ(EntryText(api), "/api/common.j: Line 3: undefined type");
}

TEST(ErrorsViewTest, AnEntryWithoutANumberMovesNothing) {
  ErrorReport report;
  report.script = "a\r\nb\r\n";
  report.entries = {testing::ProcessedEntry(1, "x"), ErrorEntry{SourcePlace{"common.j", 4, 1}, "y", std::nullopt}};
  report.first_marker_line = 1;
  report.marker_count = 2;
  ErrorsView view;
  view.Present(report);
  EXPECT_FALSE(view.ChooseEntry(1));
  EXPECT_EQ(view.selected_line(), 1u);
  EXPECT_EQ(view.selected_entry(), 1);
}

}  // namespace
}  // namespace zarn

namespace zarn {
namespace {

// The hint follows the entries, is not counted, is never chosen on its own and
// selects no line.
TEST(ErrorsViewTest, TheHintIsTheLastEntryAndSelectsNothing) {
  ErrorsView view;
  ErrorReport report = ScanForMarkers(kThreeMarkers);
  report.hint = "Hint: names in this script hold keywords";
  view.Present(report);
  EXPECT_EQ(view.caption(), "ZARN: 3 errors found!");
  ASSERT_EQ(view.entries().size(), 4u);
  EXPECT_EQ(view.entries().back(), report.hint);
  EXPECT_TRUE(view.ChooseEntry(1));
  EXPECT_FALSE(view.ChooseEntry(3));
  EXPECT_EQ(view.selected_line(), 3u);
  EXPECT_TRUE(view.ChooseEntry(2));

  report = ScanForMarkers({"call A()", "//!ZARN Error:weird"});
  report.hint = "Hint: x";
  view.Present(report);
  EXPECT_EQ(view.entries().size(), 1u);
  EXPECT_EQ(view.selected_entry(), -1);
}

}  // namespace
}  // namespace zarn
