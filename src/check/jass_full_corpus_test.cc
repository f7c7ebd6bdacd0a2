// The full check on real scripts with the 1.31 API: the clean ones stay
// clean, and each faulty one is refused at its first real fault.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "check/jass_api.h"
#include "check/jass_checker.h"
#include "platform/files.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus";

class JassFullCorpusTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path common = kCorpus / "jass" / "common-1.31.j", blizzard = kCorpus / "jass" / "Blizzard-1.31.j";
    if (!fs::exists(common) || !fs::exists(blizzard) || !fs::is_directory(kCorpus / "scripts")) return;
    api_ = std::make_unique<JassApi>(
        JassApi::FromTexts(ReadFileBytes(common.string()), ReadFileBytes(blizzard.string()), "common.j", "Blizzard.j"));
  }
  static void TearDownTestSuite() { api_.reset(); }
  void SetUp() override {
    if (!api_) GTEST_SKIP() << "no corpus with the 1.31 API at " << kCorpus;
  }

  // The script of the corpus whose name begins with `owner` and "__".
  static std::string Script(const std::string& owner, const std::string& also = "") {
    for (const fs::directory_entry& entry : fs::directory_iterator(kCorpus / "scripts")) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(owner + "__", 0) == 0 && name.find(also) != std::string::npos)
        return ReadFileBytes(entry.path().string());
    }
    ADD_FAILURE() << "no corpus script of " << owner;
    return "";
  }

  static std::vector<JassProblem> Problems(const std::string& script) {
    return CheckJassProgram({{"war3map.j", script}}, api_.get()).problems;
  }

  static std::unique_ptr<JassApi> api_;
};

std::unique_ptr<JassApi> JassFullCorpusTest::api_;

TEST_F(JassFullCorpusTest, TheApiItselfIsClean) {
  for (const JassProblem& p : api_->problems())
    ADD_FAILURE() << api_->sources()[p.source].name << ":" << p.line << ": " << p.message;
}

TEST_F(JassFullCorpusTest, CleanScriptsStayClean) {
  const std::pair<const char*, const char*> clean[] = {
      {"Chosensero", ""},       {"DawningW", ""},   {"Flexoman", ""},         {"GoblinLaboratory", ""},
      {"Jaccouille", ""},       {"OwenSanzas", ""}, {"Persik3D", ""},         {"Primaggio", ""},
      {"Serenity09", ""},       {"Son-Guhun", ""},  {"WaterKnight", "dwc74"}, {"WaterKnight", "pjass"},
      {"andreypavlo21231", ""}, {"expecter", ""},   {"iluminate", ""},        {"nielsAD", ""},
      {"ok8kook8ko", ""},       {"raksonibs", ""},  {"ruihan-jia", ""},       {"skyhilam", ""},
      {"the-simpler", ""},      {"wtl9345", ""},
  };
  for (const auto& [owner, also] : clean) {
    for (const JassProblem& p : Problems(Script(owner, also)))
      ADD_FAILURE() << owner << " " << also << ":" << p.line << ":" << p.column << ": " << p.message;
  }
}

TEST_F(JassFullCorpusTest, FaultyScriptsAreRefusedAtTheirFirstFault) {
  const struct {
    const char* owner;
    std::size_t line;
    const char* message;
  } refused[] = {
      {"CielAl", 10862, "return of \"QC8\": cannot use integer as real"},
      {"DracoL1ch", 618, "array \"l__Array\" used without index"},
      {"phamtheson01", 2232, "array \"l__Array\" used without index"},
      {"Saitoseason", 2717, "\"RequestExtraIntegerData\" is already declared"},
      {"ushiop", 1349, "\"RequestExtraIntegerData\" is already declared"},
      {"weiyongcheng", 180, "\"RequestExtraIntegerData\" is already declared"},
      {"travisby", 196, "return of \"TimerUtils___H2I\": cannot use handle as integer"},
  };
  for (const auto& script : refused) {
    const std::vector<JassProblem> problems = Problems(Script(script.owner));
    ASSERT_FALSE(problems.empty()) << script.owner;
    EXPECT_EQ(problems.front().line, script.line) << script.owner;
    EXPECT_EQ(problems.front().message, script.message) << script.owner;
  }
}

}  // namespace
}  // namespace zarn
