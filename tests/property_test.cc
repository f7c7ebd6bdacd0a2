// Generated scripts that mix the extension statements, run through the whole
// preprocessor: whatever the mix, the run ends, and its output keeps the shape
// that the end-of-run scan and the archive writer rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "core/pipeline.h"
#include "passes/run.h"
#include "testing/entry_texts.h"
#include "text/text.h"

namespace zarn {
namespace {

// Statement templates; "N" is replaced by a name, "V" by a value, "T" by a type.
constexpr const char* kStatements[] = {"var N",
                                       "var N = V",
                                       "var N = V, N = V",
                                       "set N = V",
                                       "new T N",
                                       "local new global T N",
                                       "new global T N, T N",
                                       "free N",
                                       "free N, N",
                                       "free N,N",
                                       "flush N, N",
                                       "flush",
                                       "global T N = V",
                                       "global",
                                       "repeat",
                                       "until N > 3",
                                       "mount N to V",
                                       "unmount",
                                       "//!if true (udg_Hero)",
                                       "//!if false (N)",
                                       "//!endif",
                                       "//!nozarn",
                                       "//!endnozarn",
                                       "local T N = V",
                                       "call F(N) // note",
                                       "  \t",
                                       "/* c */ return N",
                                       "endfunction",
                                       "function N takes nothing returns T",
                                       "method N"};
constexpr const char* kNames[] = {"u",        "g",           "t",           "xy",      "renewT",
                                  "isglobal", "untilDone",   "repeatCount", "flushed", "tempRect",
                                  "mountain", "whichPlayer", "varx",        "udg_Hero"};
constexpr const char* kValues[] = {
    "1",      "2.5",        "\"s, t\"",         "'hfoo'",        "$FF", "null",
    "true",   "function F", "GetTriggerUnit()", "CreateGroup()", "y",   "R2I(GetUnitX(u))",
    "F(a, b)"};
constexpr const char* kTypes[] = {"nothing",     "integer",   "unit",     "group", "timer",
                                  "timerdialog", "hashtable", "location", "real"};

Lines GenerateScript(unsigned seed) {
  std::mt19937 rng(seed);
  auto pick = [&](const auto& items) -> std::string { return items[rng() % std::size(items)]; };
  Lines lines;
  if (rng() % 5) lines = {"globals", "unit udg_Hero = null", "endglobals"};
  for (int body = rng() % 4; body >= 0; --body) {
    lines.push_back(std::string(rng() % 5 ? "function " : "method ") + pick(kNames) + " takes nothing returns " +
                    pick(kTypes));
    for (int i = rng() % 12; i > 0; --i) {
      std::string line;
      for (char c : std::string(pick(kStatements)))
        line += c == 'N' ? pick(kNames) : c == 'V' ? pick(kValues) : c == 'T' ? pick(kTypes) : std::string(1, c);
      lines.push_back(line);
    }
    if (rng() % 10) lines.push_back(lines.back().rfind("method", 0) == 0 ? "endmethod" : "endfunction");
  }
  return lines;
}

// What is wrong with the shape of one output; empty when nothing is.
std::string CheckOutput(const Lines& out) {
  if (SplitText(JoinLines(out)) != out) return "output does not survive split and join";
  std::size_t markers = 0;
  for (const std::string& line : out) {
    if (line.empty() || Trim(line) != line) return "empty or untrimmed line: [" + line + "]";
    markers += Contains(line, "//!ZARN Error");
  }
  ErrorReport report = ScanForMarkers(out);
  if (report.marker_count != markers) return "marker count differs";
  constexpr const char* kKinds[][2] = {{"var", ": Undefined type of variable"},
                                       {"flush", ": Can't parse flushing"},
                                       {"free", ": Can't find destructor for this type"},
                                       {"global", ": Can't parse this global declaration"}};
  for (std::size_t i = 0; i < out.size(); ++i) {
    for (const auto& [kind, message] : kKinds) {
      std::string marker = std::string("//!ZARN Error:") + kind;
      if (out[i].rfind(marker, 0) != 0 || (out[i].size() > marker.size() && out[i][marker.size()] != ' ')) continue;
      std::string entry = "Line " + std::to_string(i) + message;
      const std::vector<std::string> texts = testing::ProcessedEntryTexts(report);
      if (std::find(texts.begin(), texts.end(), entry) == texts.end()) return "marker line not listed: " + out[i];
    }
  }
  return "";
}

TEST(PropertyTest, GeneratedScriptsEndWithWellFormedOutput) {
  const ReturnTypeTable tables = ReturnTypeTable::BuiltIn();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(25);
  int failures = 0, runs = 0;
  for (unsigned seed = 1; seed <= 1500 && failures < 3 && std::chrono::steady_clock::now() < deadline; ++seed, ++runs) {
    NullProgress progress;
    zarn::Run run(progress);
    run.return_types = tables;
    run.lines = GenerateScript(seed);
    const Lines input = run.lines;
    PreprocessScript(run);
    if (std::string problem = CheckOutput(SplitText(run.text)); !problem.empty()) {
      ++failures;
      ADD_FAILURE() << "seed " << seed << ": " << problem << "\n--- input\n"
                    << JoinLines(input) << "--- output\n"
                    << run.text;
    }
  }
  EXPECT_GE(runs, 300) << "too slow: only " << runs << " scripts in the time allowed";
}

}  // namespace
}  // namespace zarn
