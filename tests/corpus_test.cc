// Every real map script of the corpus goes through the whole preprocessing,
// comes out in the shape the passes promise and keeps every literal.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/pipeline.h"
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

}  // namespace
}  // namespace zarn
