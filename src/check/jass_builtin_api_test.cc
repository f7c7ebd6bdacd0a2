// The built-in API tables: each gives the check the same verdicts as the
// game's files it was made from, and the patch of a version is chosen by the
// tables' names.
#include "check/jass_builtin_api.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "check/jass_api.h"
#include "check/jass_checker.h"
#include "platform/files.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

const fs::path kJass = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus" / "jass";
const fs::path kScripts = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus" / "scripts";

// The game's files each table was made from (as scripts/api-tables.sh).
const struct {
  const char *patch, *common, *blizzard;
} kSources[] = {
    {"1.24", "common-1.24.j", "Blizzard-1.24.j"},   {"1.29", "common-1.29.j", "Blizzard-1.30.j"},
    {"1.30", "common-1.30.j", "Blizzard-1.30.j"},   {"1.31", "common-1.31.j", "Blizzard-1.31.j"},
    {"1.32", "common-1.32.9.j", "Blizzard-1.31.j"}, {"1.33", "common-1.33.0.j", "Blizzard-2.0.2.j"},
    {"2.0", "common-2.0.2.j", "Blizzard-2.0.2.j"},
};

std::string Problems(const std::string& script, const JassApi& api) {
  std::string out;
  for (const JassProblem& p : CheckJassProgram({{"war3map.j", script}}, &api).problems)
    out += std::to_string(p.line) + ":" + std::to_string(p.column) + ": " + p.message + "\n";
  return out;
}

// Every patch against its files on the corpus scripts and the checker's
// hostile inputs: a sample of the corpus in the test command, all of it with
// ZARN_API_SWEEP=1 (scripts/api-sweep.sh).
TEST(BuiltinApi, GivesTheVerdictsOfTheFilesItWasMadeFrom) {
  if (!fs::is_directory(kJass) || !fs::is_directory(kScripts)) GTEST_SKIP() << "no corpus at " << kJass;
  std::vector<fs::path> scripts;
  for (const fs::directory_entry& entry : fs::directory_iterator(kScripts))
    if (entry.is_regular_file() && entry.path().extension() == ".j") scripts.push_back(entry.path());
  std::sort(scripts.begin(), scripts.end());
  const std::size_t corpus = scripts.size();
  for (const fs::directory_entry& entry :
       fs::directory_iterator(fs::path(ZARN_SOURCE_DIR) / "tests" / "fuzz-regression" / "jass_full_check"))
    scripts.push_back(entry.path());
  const bool sweep = std::getenv("ZARN_API_SWEEP") != nullptr;
  std::size_t turn = 0;
  for (const auto& source : kSources) {
    SCOPED_TRACE(source.patch);
    const JassApi builtin = JassApi::Builtin(source.patch);
    EXPECT_TRUE(builtin.problems().empty()) << builtin.problems().front().message;
    const JassApi files =
        JassApi::FromTexts(ReadFileBytes((kJass / source.common).string()),
                           ReadFileBytes((kJass / source.blizzard).string()), "common.j", "Blizzard.j");
    ASSERT_TRUE(files.problems().empty());
    for (std::size_t i = 0; i < scripts.size(); ++i) {
      if (!sweep && i < corpus && (i + turn) % 6 != 0) continue;
      const std::string script = ReadFileBytes(scripts[i].string());
      EXPECT_EQ(Problems(script, builtin), Problems(script, files)) << scripts[i].filename();
    }
    ++turn;
  }
}

// The programs carry the committed tables byte for byte, on every system.
TEST(BuiltinApi, TheProgramsCarryTheCommittedTables) {
  for (const std::string& patch : BuiltinPatches()) {
    const fs::path file = fs::path(ZARN_SOURCE_DIR) / "data" / "api" / (patch + ".txt");
    if (!fs::exists(file)) GTEST_SKIP() << "no " << file;
    EXPECT_TRUE(BuiltinTable(patch) == ReadFileBytes(file.string())) << patch;
  }
}

TEST(BuiltinApi, ANativeOfANewerPatchIsRefusedUnderAnOlderOne) {
  const std::string script =
      "function F takes nothing returns unit\n"
      "    return BlzCreateUnitWithSkin(Player(0), 'hfoo', 0.0, 0.0, bj_UNIT_FACING, 'hfoo')\n"
      "endfunction\n";
  EXPECT_EQ(Problems(script, JassApi::Builtin("1.31")), "2:12: undefined function \"BlzCreateUnitWithSkin\"\n");
  EXPECT_EQ(Problems(script, JassApi::Builtin("1.32")), "");
  EXPECT_EQ(Problems(script, JassApi::Builtin("2.0")), "");
}

TEST(BuiltinApi, AVersionGetsTheNewestTableNotNewerThanIt) {
  EXPECT_EQ(BuiltinPatchFor("1.32.8"), "1.32");
  EXPECT_EQ(BuiltinPatchFor("1.32"), "1.32");
  EXPECT_EQ(BuiltinPatchFor("1.28.5"), "1.24");
  EXPECT_EQ(BuiltinPatchFor("1.31.9999"), "1.31");
  EXPECT_EQ(BuiltinPatchFor("2.0.2.22761"), "2.0");
  EXPECT_EQ(BuiltinPatchFor("3"), "2.0");
  EXPECT_EQ(BuiltinPatchFor("1.23"), "");
  for (const char* wrong : {"", "1.", ".1", "1..2", "1.x", "v1.32", "1.32 ", "99999999999.1"})
    EXPECT_EQ(BuiltinPatchFor(wrong), "") << wrong;
}

TEST(BuiltinApi, KeepsAConstantsLiteralValueOnly) {
  EXPECT_EQ(BuiltinConstantValue("1.32", "JASS_MAX_ARRAY_SIZE"), "32768");
  EXPECT_EQ(BuiltinConstantValue("1.24", "JASS_MAX_ARRAY_SIZE"), "8192");
  EXPECT_EQ(BuiltinConstantValue("1.32", "PLAYER_COLOR_RED"), "");  // a native's result
  EXPECT_EQ(BuiltinConstantValue("1.32", "bj_PI"), "3.14159");
  for (const char* literal : {"0", "-1", "0x1F", "$ff", "1.", ".5", "-2.5", "'hfoo'", "\"a\\\"b\"", "null", "true"})
    EXPECT_TRUE(IsJassLiteral(literal)) << literal;
  for (const char* other : {"", "-", "X", "1+2", "F()", "\"a\"b\"", "'ab", "0x", "1.2.3"})
    EXPECT_FALSE(IsJassLiteral(other)) << other;
}

}  // namespace
}  // namespace zarn
