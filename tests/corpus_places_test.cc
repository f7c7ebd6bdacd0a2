// Faults put in at seeded places of the real scripts of the corpus are each
// reported at their own line and column; everything else the run reports,
// writes and returns stays as it was, its lines moved down by the faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "bench/script_generator.h"
#include "core/result_check.h"
#include "core/script_run.h"
#include "platform/files.h"
#include "testing/entry_texts.h"
#include "testing/test_util.h"
#include "text/rewrite_engine.h"
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

Outcome RunOn(std::string script, const std::string& api_dir, bool words = false) {
  ScriptRunOptions options;
  options.script = std::move(script);
  options.words = words;
  options.sources = SourceMap::OneFile("map.j");
  options.api_dir = api_dir;
  options.no_api = api_dir.empty();  // the grammar alone, as without the game's files
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

std::string JoinedLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

bool IsStatement(std::string_view line) {
  const std::string_view trimmed = TrimView(line);
  return trimmed.substr(0, 5) == "call " || trimmed.substr(0, 4) == "set ";
}

// Whether the run found markers, which stop it before the check.
bool HasMarkers(const Outcome& outcome) {
  const std::set<std::string> marker_messages = {"Undefined type of variable", "Can't parse flushing",
                                                 "Can't find destructor for this type",
                                                 "Can't parse this global declaration"};
  bool marked = outcome.count != outcome.entries.size();
  for (const ErrorEntry& entry : outcome.entries) marked = marked || marker_messages.count(entry.message);
  return marked;
}

std::string Text(const ErrorEntry& entry) { return testing_util::PlaceText(entry) + ": " + entry.message; }

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
    if (HasMarkers(before)) continue;  // markers stop the run before the check

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

// The 1.31 API of the corpus in a folder of its own.
struct CorpusApi {
  CorpusApi(const fs::path& corpus) {
    WriteFileBytes(dir / "common.j", ReadFileBytes((corpus / "jass" / "common-1.31.j").string()));
    WriteFileBytes(dir / "Blizzard.j", ReadFileBytes((corpus / "jass" / "Blizzard-1.31.j").string()));
  }
  testing_util::TempDir dir;
};

// Which lines of a script lie inside a block comment, judged line by line
// with strings and line comments skipped.
std::vector<bool> InBlockComment(const std::vector<std::string>& lines) {
  std::vector<bool> inside(lines.size());
  bool open = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    inside[i] = open;
    const std::string& line = lines[i];
    bool quoted = false;
    for (std::size_t k = 0; k + 1 < line.size(); ++k) {
      if (open) {
        if (line[k] == '*' && line[k + 1] == '/') open = false, ++k;
      } else if (line[k] == '"') {
        quoted = !quoted;
      } else if (!quoted && line[k] == '/' && line[k + 1] == '/') {
        break;
      } else if (!quoted && line[k] == '/' && line[k + 1] == '*') {
        open = true, ++k;
      }
    }
    inside[i] = inside[i] || open;
  }
  return inside;
}

// A fault of one kind: the line put in (numbered by `k`) and the entry it
// must give at line `line` of the faulty script.
struct FaultKind {
  std::string (*line)(std::size_t k);
  std::string (*entry)(std::size_t line, std::size_t k);
};

const FaultKind kCheckFault = {[](std::size_t k) { return "    call ZzNoSuchFunction" + std::to_string(k) + "()\r\n"; },
                               [](std::size_t line, std::size_t k) {
                                 return "map.j:" + std::to_string(line) + ":10: undefined function \"ZzNoSuchFunction" +
                                        std::to_string(k) + "\"";
                               }};
const FaultKind kPassMarker = {
    [](std::size_t k) { return "    var zzq" + std::to_string(k) + " = ZzUnknown()\r\n"; },
    [](std::size_t line, std::size_t) { return "map.j:" + std::to_string(line) + ":5: Undefined type of variable"; }};

// Puts a fault of `kind` before each line of `before` (from 0) and requires
// each entry at its own line, and the entries of the script without faults
// (`clean`, which the faults' kind leaves standing) at theirs, moved down by
// the faults above them. Returns how many faults were put in, counting those
// reported elsewhere in `misplaced`.
std::size_t CheckFaults(const std::vector<std::string>& lines, const std::set<std::size_t>& before,
                        const FaultKind& kind, bool words, const std::string& api, const std::vector<ErrorEntry>& clean,
                        std::size_t& misplaced) {
  std::string faulty;
  std::multiset<std::string> expected;
  std::size_t added = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (before.count(i)) {
      faulty += kind.line(added);
      expected.insert(kind.entry(i + 1 + added, added));
      ++added;
    }
    faulty += lines[i];
  }
  for (const ErrorEntry& entry : clean) {
    ErrorEntry moved = entry;
    moved.place.line += static_cast<std::size_t>(std::distance(before.begin(), before.lower_bound(entry.place.line)));
    expected.insert(Text(moved));
  }
  const Outcome after = RunOn(faulty, api, words);
  std::multiset<std::string> reported;
  for (const ErrorEntry& entry : after.entries) reported.insert(Text(entry));
  std::vector<std::string> missing, unexpected;
  std::set_difference(expected.begin(), expected.end(), reported.begin(), reported.end(), std::back_inserter(missing));
  std::set_difference(reported.begin(), reported.end(), expected.begin(), expected.end(),
                      std::back_inserter(unexpected));
  misplaced += missing.size();
  EXPECT_TRUE(missing.empty()) << missing.size() << " of " << expected.size() << " not at their lines, first "
                               << missing[0] << (unexpected.empty() ? "" : ", instead " + unexpected[0]);
  EXPECT_EQ(reported.size(), expected.size()) << (unexpected.empty() ? "" : "first not expected: " + unexpected[0]);
  return added;
}

// A fault before every "endfunction" of every corpus script that a run
// accepts, and at seeded statement lines; all faults of one kind go into
// one run per script. The test command samples the corpus;
// scripts/corpus-faults.sh sets ZARN_WHOLE_CORPUS and runs it whole.
TEST(CorpusPlaces, FaultsBeforeEveryEndfunctionAreReportedAtTheirOwnLines) {
  const fs::path corpus = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus";
  if (!fs::is_directory(corpus / "scripts")) GTEST_SKIP() << "no corpus at " << corpus;
  const bool whole = std::getenv("ZARN_WHOLE_CORPUS") != nullptr;
  const CorpusApi api(corpus);
  std::vector<fs::path> files;
  for (const fs::directory_entry& file : fs::directory_iterator(corpus / "scripts"))
    if (file.is_regular_file()) files.push_back(file.path());
  std::sort(files.begin(), files.end());
  std::uint64_t seed = 20261209;
  std::size_t faults = 0, misplaced = 0, scripts = 0;
  for (std::size_t f = 0; f < files.size(); ++f) {
    const std::string name = files[f].filename().string();
    // Sampled: the script of the tabs and glued comments, and every fifth.
    if (!whole && name.find("GoblinLaboratory") == std::string::npos && f % 5 != 0) continue;
    SCOPED_TRACE(name);
    const std::string script = ReadFileBytes(files[f].string());
    // Dropped and raw blocks would keep their faults from the run.
    if (script.find("//!if") != std::string::npos || script.find("//!nozarn") != std::string::npos) continue;
    const std::vector<std::string> lines = LinesWithEnds(script);
    const Outcome clean = RunOn(script, api.dir.path(), false);
    if (clean.exit_code != 0 || clean.vjass) continue;
    const std::vector<bool> commented = InBlockComment(lines);
    std::set<std::size_t> before;
    std::vector<std::size_t> statements;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (commented[i]) continue;
      if (TrimView(lines[i]).substr(0, 11) == "endfunction") before.insert(i);
      if (i > 0 && IsStatement(lines[i]) && IsStatement(lines[i - 1])) statements.push_back(i);
    }
    for (int n = 0; n < 10 && !statements.empty(); ++n) {
      seed = seed * 6364136223846793005ull + 1442695040888963407ull;
      before.insert(statements[(seed >> 33) % statements.size()]);
    }
    if (before.empty()) continue;
    ++scripts;
    for (bool words : {false, true}) {
      if (words && !whole && name.find("GoblinLaboratory") == std::string::npos) continue;
      faults += CheckFaults(lines, before, kCheckFault, words, api.dir.path(), {}, misplaced);
      faults += CheckFaults(lines, before, kPassMarker, words, api.dir.path(), {}, misplaced);
    }
  }
  std::cout << "faults put in: " << faults << " in " << scripts << " scripts, reported elsewhere: " << misplaced
            << "\n";
  EXPECT_GT(scripts, 1u);
}

// Faults at random statement places of untidy generated scripts (long runs
// of blank and tab-only lines, identical lines and bodies, comments glued to
// "endfunction", every statement kind), by letters and by words, with the
// engine and with the plain rule: each is reported at its own line.
TEST(GeneratedPlaces, FaultsAtRandomLinesAreReportedAtTheirOwnLines) {
  const FaultKind kSyntaxFault = {[](std::size_t k) { return "    call ZzFault" + std::to_string(k) + "(\r\n"; },
                                  [](std::size_t line, std::size_t) {
                                    return "map.j:" + std::to_string(line) +
                                           ":5: Expected an expression, found end of line";
                                  }};
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    ScriptShape shape;
    shape.target_bytes = 30'000;
    shape.seed = seed;
    shape.names = seed % 2 ? 3 : 1'000'000;
    shape.extended_per_mille = 150;
    shape.untidy_per_mille = 120;
    // Without its structs, which would make it vJass and leave the check out.
    std::vector<std::string> lines;
    bool in_struct = false;
    for (std::string& line : LinesWithEnds(GenerateScript(shape))) {
      in_struct = in_struct || line.rfind("struct ", 0) == 0;
      if (!in_struct) lines.push_back(std::move(line));
      in_struct = in_struct && line.rfind("endstruct", 0) != 0;
    }
    // Places between two lines of a function, outside raw, conditional,
    // comment and mount blocks, whose texts a pass may change as a whole, and
    // not before a declaration, which would then follow a statement.
    std::vector<bool> declaration_next(lines.size() + 1);
    for (std::size_t i = lines.size(); i-- > 0;) {
      const std::string_view line = TrimView(lines[i]);
      declaration_next[i] =
          line.empty() || line.substr(0, 2) == "//"
              ? declaration_next[i + 1]
              : line.substr(0, 6) == "local " || line.substr(0, 4) == "var " || line.substr(0, 4) == "new ";
    }
    std::vector<std::size_t> places;
    bool body = false, block = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string_view line = TrimView(lines[i]);
      if (body && !block && line.substr(0, 9) != "function " && !declaration_next[i]) places.push_back(i);
      if (line.substr(0, 9) == "function ") body = true;
      if (line.substr(0, 11) == "endfunction") body = false;
      if (line.substr(0, 2) == "/*" || line.substr(0, 5) == "mount" || line.substr(0, 3) == "//!") block = true;
      if (line == "*/" || line == "unmount" || line == "//!endif" || line == "//!endnozarn") block = false;
    }
    std::uint64_t state = seed;
    std::set<std::size_t> before;
    while (before.size() < 40) {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      before.insert(places[(state >> 33) % places.size()]);
    }
    for (bool words : {false, true})
      for (bool plain : {false, true}) {
        SCOPED_TRACE("seed " + std::to_string(seed) + (words ? " words" : "") + (plain ? " plain" : ""));
        std::optional<PlainRewritesForTesting> plain_rule;
        if (plain) plain_rule.emplace();
        // The script's own entries: problems the faults' markers hide, or
        // markers that hide the check.
        const Outcome clean = RunOn(JoinedLines(lines), "", words);
        const bool marked = HasMarkers(clean);
        std::size_t misplaced = 0;
        ASSERT_FALSE(clean.vjass);
        if (!marked) CheckFaults(lines, before, kSyntaxFault, words, "", clean.entries, misplaced);
        CheckFaults(lines, before, kPassMarker, words, "", marked ? clean.entries : std::vector<ErrorEntry>(),
                    misplaced);
      }
  }
}

// The four places where lining the texts up used to go wrong: long runs of
// tab-only lines and comments glued to "endfunction".
TEST(CorpusPlaces, AlchemistFaultsStayAtTheirLines) {
  const fs::path corpus = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus";
  const fs::path file = corpus / "scripts" / "GoblinLaboratory__Alchemist__war3map.j";
  if (!fs::is_regular_file(file)) GTEST_SKIP() << "no corpus at " << corpus;
  const CorpusApi api(corpus);
  const std::vector<std::string> lines = LinesWithEnds(ReadFileBytes(file.string()));
  for (std::size_t line : {380, 2191, 2687, 2931}) {
    ASSERT_EQ(TrimView(lines[line - 1]), "endfunction");
    std::size_t misplaced = 0;
    CheckFaults(lines, {line - 1}, kCheckFault, /*words=*/true, api.dir.path(), {}, misplaced);
    EXPECT_EQ(misplaced, 0u) << "before line " << line;
  }
}

}  // namespace
}  // namespace zarn
