// Every real map script of the corpus goes through the whole preprocessing,
// comes out in the shape the passes promise and keeps every literal.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/pipeline.h"
#include "core/result_check.h"
#include "testing/entry_texts.h"
#include "text/script.h"
#include "text/text.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

// What is wrong with a line of the output, or "" when nothing is.
std::string Fault(const std::string& line) {
  if (line.empty()) return "empty line";
  if (static_cast<unsigned char>(line.front()) <= 32 || static_cast<unsigned char>(line.back()) <= 32)
    return "leading or trailing blank";
  for (std::size_t at = line.find("//"); at != std::string::npos; at = line.find("//", at + 1))
    if (at + 2 >= line.size() || line[at + 2] != '!') return "comment left";
  if (line.find("//!nozarn") != std::string::npos || line.find("//!endnozarn") != std::string::npos)
    return "raw-block directive left";
  return "";
}

// How often the contents of each string and rawcode literal occur in a script.
std::map<std::string, std::size_t> CountLiterals(const std::string& script) {
  HiddenLiterals literals;
  literals.Hide(script);
  std::map<std::string, std::size_t> counts;
  for (const std::string& content : literals.contents()) ++counts[content];
  return counts;
}

TEST(Corpus, ScriptsComeOutNormalisedWithEveryLiteral) {
  const fs::path scripts = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus" / "scripts";
  if (!fs::is_directory(scripts)) GTEST_SKIP() << "no corpus scripts at " << scripts;
  std::size_t checked = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(scripts)) {
    if (!entry.is_regular_file()) continue;
    SCOPED_TRACE(entry.path().filename().string());
    NullProgress progress;
    zarn::Run run(progress);
    BuildLanguageTables(run);
    const std::string input = ReadFileBytes(entry.path().string());
    run.raw = input;
    HideLiterals(run);
    ASSERT_NO_THROW(RunPasses(run));
    // The shape holds for what the passes see; literals keep their own bytes.
    const Lines lines = SplitText(run.text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      std::string fault = Fault(lines[i]);
      ASSERT_EQ(fault, "") << "line " << i << ": " << lines[i];
    }
    RestoreLiterals(run);
    // Markers read as comments; the script without them is the one to count.
    std::map<std::string, std::size_t> after = CountLiterals(ReplaceAll(run.text, "//!ZARN Error:", ""));
    for (const auto& [literal, count] : CountLiterals(input))
      ASSERT_GE(after[literal], count) << "literal lost or changed: " << literal;
    ++checked;
  }
  EXPECT_GT(checked, 0u);
}

// Scripts that other tools wrote, with keywords inside their names (or used as
// names), which only word mode takes through.
constexpr const char* kNeedWords[] = {
    "DawningW__The-end-war__war3map.j",
    "Jaccouille__Footmen-vs-Grunts-Reloaded__war3map.j",
    "Son-Guhun__Titan-Land-Lands-of-Plenty__war3map.j",
    "andreypavlo21231__LTD__war3map.j",
    "wtl9345__JZJH__war3map.j",
    "ushiop__TakeArea__war3map.j",
};

// In word mode every script that the check accepts as written is accepted
// after preprocessing too; judged without the game's API.
TEST(Corpus, WordModeTakesEveryValidScriptThrough) {
  const fs::path scripts = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus" / "scripts";
  if (!fs::is_directory(scripts)) GTEST_SKIP() << "no corpus scripts at " << scripts;
  std::size_t needed = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(scripts)) {
    if (entry.path().extension() != ".j") continue;
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    NullProgress progress;
    const std::string input = ReadFileBytes(entry.path().string());
    if (CheckResultScript(input, progress).marker_count > 0) continue;  // not valid as written
    zarn::Run run(progress);
    run.keywords = KeywordRule::Words();
    BuildLanguageTables(run);
    run.raw = input;
    PreprocessScript(run);
    EXPECT_EQ(ScanResultForMarkers(run).marker_count, 0u);
    const ErrorReport report = CheckResultScript(run.text, progress);
    for (const std::string& entry : testing::ProcessedEntryTexts(report)) ADD_FAILURE() << entry;
    for (const char* needs_words : kNeedWords) needed += name == needs_words;
  }
  EXPECT_EQ(needed, std::size(kNeedWords));
}

}  // namespace
}  // namespace zarn
