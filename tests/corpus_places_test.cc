// Faults put in at seeded places of the real scripts of the corpus are each
// reported at their own line and column; everything else the run reports,
// writes and returns stays as it was, its lines moved down by the faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/result_check.h"
#include "core/script_run.h"
#include "platform/files.h"
#include "testing/entry_texts.h"
#include "testing/test_util.h"
#include "text/script.h"
#include "text/text.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

class Notes : public NullProgress {
 public:
  void Note(std::string_view text) override { notes += std::string(text) + "\n"; }
  std::string notes;
};

class Presented : public ErrorPresenter {
 public:
  void PresentErrors(const ErrorReport& report) override {
    entries = report.entries;
    count = report.marker_count;
  }
  std::vector<ErrorEntry> entries;
  std::size_t count = 0;
};

struct Outcome {
  int exit_code = 0;
  std::string output;
  std::vector<ErrorEntry> entries;
  std::size_t count = 0;  // markers without a kind count but list nothing
  bool vjass = false;
};

Outcome RunOn(std::string script, const std::string& api_dir) {
  ScriptRunOptions options;
  options.script = std::move(script);
  options.sources = SourceMap::OneFile("map.j");
  options.api_dir = api_dir;
  Notes notes;
  Presented presented;
  Outcome outcome;
  outcome.exit_code = RunScript(
      std::move(options),
      [&](std::string_view text) {
        outcome.output = std::string(text);
        return true;
      },
      notes, presented);
  outcome.entries = presented.entries;
  outcome.count = presented.count;
  outcome.vjass = notes.notes.find(kVjassNote) != std::string::npos;
  return outcome;
}

// The script's lines with their own line ends, as the run splits them.
std::vector<std::string> LinesWithEnds(std::string_view text) {
  text = UpToNul(text);
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t end = FindLineBreak(text, i);
    if (end < text.size() && text[end] == '\r') ++end;
    if (end < text.size() && text[end] == '\n') ++end;
    lines.emplace_back(text.substr(i, end - i));
    i = end;
  }
  return lines;
}

bool IsStatement(std::string_view line) {
  const std::string_view trimmed = TrimView(line);
  return trimmed.substr(0, 5) == "call " || trimmed.substr(0, 4) == "set ";
}

std::string Text(const ErrorEntry& entry) { return testing::PlaceText(entry) + ": " + entry.message; }

TEST(CorpusPlaces, SeededFaultsAreReportedAtTheirOwnLines) {
  const fs::path corpus = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus";
  if (!fs::is_directory(corpus / "scripts")) GTEST_SKIP() << "no corpus at " << corpus;
  testing_util::TempDir api;
  WriteFileBytes(api / "common.j", ReadFileBytes((corpus / "jass" / "common-1.31.j").string()));
  WriteFileBytes(api / "Blizzard.j", ReadFileBytes((corpus / "jass" / "Blizzard-1.31.j").string()));
  std::uint64_t seed = 20261208;  // fixed: the same places on every run
  auto next = [&seed](std::size_t below) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::size_t>((seed >> 33) % below);
  };
  std::size_t checked = 0;
  for (const fs::directory_entry& file : fs::directory_iterator(corpus / "scripts")) {
    if (!file.is_regular_file()) continue;
    SCOPED_TRACE(file.path().filename().string());
    const std::string script = ReadFileBytes(file.path().string());
    // Dropped blocks report nothing, and annotated functions may not either.
    if (script.find("//!if") != std::string::npos || script.find("//# +") != std::string::npos) continue;
    const std::vector<std::string> lines = LinesWithEnds(script);
    std::vector<std::size_t> candidates;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
      if (IsStatement(lines[i]) && IsStatement(lines[i + 1])) candidates.push_back(i);
    if (candidates.size() < 8) continue;
    const Outcome before = RunOn(script, api.path());
    if (before.vjass) continue;
    const std::set<std::string> marker_messages = {"Undefined type of variable", "Can't parse flushing",
                                                   "Can't find destructor for this type",
                                                   "Can't parse this global declaration"};
    bool marked = before.count != before.entries.size();
    for (const ErrorEntry& entry : before.entries) marked = marked || marker_messages.count(entry.message);
    if (marked) continue;  // markers stop the run before the check

    std::set<std::size_t> after_lines;  // faults go after these lines, from 0
    while (after_lines.size() < 5) after_lines.insert(candidates[next(candidates.size())]);
    std::string faulty;
    std::set<std::string> expected;
    std::size_t added = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      faulty += lines[i];
      if (!after_lines.count(i)) continue;
      const std::string name = "ZzSeeded" + std::to_string(added);
      faulty += "call " + name + "()\r\n";
      ++added;
      expected.insert("map.j:" + std::to_string(i + 1 + added) + ":6: undefined function \"" + name + "\"");
    }
    for (const ErrorEntry& entry : before.entries) {
      ErrorEntry moved = entry;
      if (entry.processed_line) {
        std::size_t shift = 0;
        for (std::size_t at : after_lines) shift += at + 1 < entry.place.line;
        moved.place.line += shift;
      }
      expected.insert(Text(moved));
    }

    const Outcome after = RunOn(faulty, api.path());
    EXPECT_EQ(after.exit_code, 1);
    std::set<std::string> reported;
    for (const ErrorEntry& entry : after.entries) reported.insert(Text(entry));
    EXPECT_EQ(reported, expected);
    Lines output;
    for (const std::string& line : SplitText(after.output))
      if (line.find("ZzSeeded") == std::string::npos) output.push_back(line);
    const Lines expected_output = SplitText(before.output);
    const auto differ = std::mismatch(output.begin(), output.end(), expected_output.begin(), expected_output.end());
    EXPECT_TRUE(differ.first == output.end() && differ.second == expected_output.end())
        << "output line " << (differ.first - output.begin()) << ": "
        << (differ.first == output.end() ? "<end>" : *differ.first) << " instead of "
        << (differ.second == expected_output.end() ? "<end>" : *differ.second);
    ++checked;
  }
  EXPECT_GT(checked, 5u);
}

}  // namespace
}  // namespace zarn
