// Generated scripts that mix the extension statements, run through the whole
// preprocessor: whatever the mix, the run ends, and its output keeps the shape
// the end-of-run scan and the archive writer rely on.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "pipeline.h"
#include "run.h"
#include "text.h"

namespace zarn {
namespace {

class ScriptGenerator {
 public:
  explicit ScriptGenerator(unsigned seed) : rng_(seed) {}

  Lines Script() {
    Lines lines;
    if (Chance(4, 5)) {
      lines.push_back(Spaced("globals"));
      for (int i = Upto(3); i > 0; --i) lines.push_back(Spaced(Pick(kGlobalLines)));
      lines.push_back(Spaced("endglobals"));
    }
    for (int body = Upto(4); body > 0; --body) {
      bool method = Chance(1, 5);
      lines.push_back(std::string(method ? "method " : Chance(1, 6) ? "constant function " : "function ") +
                      Name() + " takes nothing returns " + Pick(kTypes));
      for (int i = Upto(12); i > 0; --i) AddStatement(lines);
      if (Chance(9, 10)) lines.push_back(method ? "endmethod" : "endfunction");
    }
    for (int i = Upto(2); i > 0; --i) AddStatement(lines);  // outside every body
    return lines;
  }

 private:
  static constexpr const char* kTypes[] = {"nothing", "integer", "real", "unit", "group", "timer",
                                           "timerdialog", "hashtable", "location", "boolean"};
  static constexpr const char* kGlobalLines[] = {"integer n = 0", "unit udg_Hero = null",
                                                 "group udg_G", "boolean isglobal = false"};
  static constexpr const char* kValues[] = {"1", "2.5", "\"s\"", "'hfoo'", "$FF", "null", "true",
                                            "function F", "GetTriggerUnit()", "CreateGroup()",
                                            "y", "R2I(GetUnitX(u))", "GetScore(2)", "a, b = 1"};
  static constexpr const char* kNames[] = {"u", "g", "t", "x", "xy", "loc", "renewT", "isglobal",
                                           "untilDone", "repeatCount", "flushed", "tempRect",
                                           "mountain", "whichPlayer", "varx", "freed", "dying"};

  void AddStatement(Lines& lines) {
    std::string name = Name();
    switch (Upto(16)) {
      case 0: lines.push_back("var " + name + (Chance(1, 2) ? " = " + Pick(kValues) : "")); break;
      case 1: lines.push_back("set " + name + " = " + Pick(kValues)); break;
      case 2: lines.push_back(Pick({"", "local "}) + "new " + Pick({"", "global "}) + Pick(kTypes) + " " + name); break;
      case 3: lines.push_back("free " + name + (Chance(1, 3) ? Pick({", ", ","}) + Name() : "")); break;
      case 4: lines.push_back("flush " + name + (Chance(1, 3) ? Pick({", ", ","}) + Name() : "")); break;
      case 5: lines.push_back("global " + Pick(kTypes) + " " + name + Pick({"", " = 0"})); break;
      case 6: lines.push_back("repeat"); break;
      case 7: lines.push_back("until " + name + " > 3"); break;
      case 8: lines.push_back("mount " + name + " to " + Pick(kValues)); break;
      case 9: lines.push_back("unmount"); break;
      case 10: lines.push_back("//!if " + Pick({"true", "false"}) + " (" + Pick({"udg_Hero", "udg_None"}) + ")"); break;
      case 11: lines.push_back("//!endif"); break;
      case 12:
        lines.push_back("//!nozarn");
        lines.push_back("var " + name);
        if (Chance(4, 5)) lines.push_back("//!endnozarn");
        break;
      case 13: lines.push_back("call F(" + name + ") // note"); break;
      case 14: lines.push_back(Spaced("local " + Pick(kTypes) + " " + name)); break;
      default: lines.push_back(Pick({"", "\t", "flush", "free", "var", "global", "/* c */ return"})); break;
    }
  }

  std::string Name() { return Pick(kNames); }
  std::string Spaced(std::string s) { return Chance(1, 4) ? "  " + s + " \t" : s; }
  bool Chance(int in, int of) { return Upto(of) < in; }
  int Upto(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
  template <std::size_t N>
  std::string Pick(const char* const (&items)[N]) { return items[Upto(N)]; }
  std::string Pick(std::initializer_list<const char*> items) { return items.begin()[Upto(items.size())]; }

  std::mt19937 rng_;
};

constexpr const char* kKinds[][2] = {{"var", ": Undefined type of variable"},
                                     {"flush", ": Can't parse flushing"},
                                     {"free", ": Can't find destructor for this type"},
                                     {"global", ": Can't parse this global declaration"}};

// Problems with the shape of one output; empty when there are none.
std::string CheckOutput(const Lines& out) {
  if (SplitText(JoinLines(out)) != out) return "output does not survive split and join";
  std::size_t markers = 0;
  for (const std::string& line : out) {
    if (line.empty() || Trim(line) != line) return "empty or untrimmed line: [" + line + "]";
    if (Contains(line, "//!ZARN Error")) ++markers;
  }
  ErrorReport report = ScanForMarkers(out);
  if (report.marker_count != markers) return "marker count differs";
  for (std::size_t i = 0; i < out.size(); ++i) {
    for (const auto& [kind, message] : kKinds) {
      std::string marker = std::string("//!ZARN Error:") + kind;
      if (out[i].rfind(marker, 0) != 0) continue;
      bool whole = out[i].size() == marker.size() || out[i][marker.size()] == ' ';
      std::string entry = "Line " + std::to_string(i) + message;
      if (whole && std::find(report.entries.begin(), report.entries.end(), entry) == report.entries.end())
        return "marker line not listed: " + out[i];
    }
  }
  return "";
}

TEST(PropertyTest, GeneratedScriptsEndWithWellFormedOutput) {
  const ReturnTypeTable tables = ReturnTypeTable::BuiltIn();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(25);
  int failures = 0, runs = 0;
  for (unsigned seed = 1; seed <= 3000 && failures < 3; ++seed, ++runs) {
    if (std::chrono::steady_clock::now() > deadline) break;
    Lines script = ScriptGenerator(seed).Script();
    NullProgress progress;
    zarn::Run run(progress);
    run.return_types = tables;
    run.lines = script;
    PreprocessScript(run);
    std::string problem = CheckOutput(run.lines);
    if (!problem.empty()) {
      ++failures;
      ADD_FAILURE() << "seed " << seed << ": " << problem << "\n--- input\n" << JoinLines(script)
                    << "--- output\n" << JoinLines(run.lines);
    }
  }
  EXPECT_GE(runs, 1000) << "too slow: only " << runs << " scripts in the time allowed";
}

}  // namespace
}  // namespace zarn
