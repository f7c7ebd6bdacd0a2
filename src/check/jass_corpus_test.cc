// The JASS 2 check on real scripts: every corpus script passes as it is, and
// the faults that broken preprocessing makes in them are found where they are.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "check/jass_checker.h"
#include "text/script.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus";

TEST(JassCorpusTest, EveryCorpusScriptPasses) {
  if (!fs::is_directory(kCorpus / "scripts")) GTEST_SKIP() << "no corpus at " << kCorpus;
  std::size_t checked = 0;
  for (const char* folder : {"scripts", "jass"}) {
    for (const fs::directory_entry& entry : fs::directory_iterator(kCorpus / folder)) {
      if (entry.path().extension() != ".j") continue;
      JassCheckResult result = CheckJass(ReadFileBytes(entry.path().string()));
      EXPECT_FALSE(result.vjass) << entry.path();
      for (const JassProblem& p : result.problems)
        ADD_FAILURE() << entry.path().filename() << ":" << p.line << ":" << p.column << ": " << p.message;
      ++checked;
    }
  }
  EXPECT_GT(checked, 30u);
}

// A real GUI map's script as lines, so that faults can be made in it.
class JassCorpusFaultTest : public testing::Test {
 protected:
  void SetUp() override {
    const fs::path path = kCorpus / "scripts" / "iluminate__KDT__war3map.j";
    if (!fs::exists(path)) GTEST_SKIP() << "no corpus script " << path;
    lines_ = SplitText(ReadFileBytes(path.string()));
    ASSERT_TRUE(CheckJass(JoinLines(lines_)).problems.empty());
  }

  // Index of the first line that, blanks trimmed, starts with `start`.
  std::size_t Find(std::string_view start, std::size_t from = 0) const {
    for (std::size_t i = from; i < lines_.size(); ++i) {
      std::string_view line = lines_[i];
      line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
      if (line.substr(0, start.size()) == start) return i;
    }
    ADD_FAILURE() << "no line starts with " << start;
    return 0;
  }

  // The problems of the faulty script, as "LINE: message" with 0-based lines.
  std::vector<std::string> Problems(const Lines& lines) const {
    std::vector<std::string> out;
    for (const JassProblem& p : CheckJass(JoinLines(lines)).problems)
      out.push_back(std::to_string(p.line - 1) + ": " + p.message);
    return out;
  }

  void ExpectProblem(const Lines& lines, std::size_t line, const std::string& message) const {
    std::vector<std::string> problems = Problems(lines);
    std::string wanted = std::to_string(line) + ": " + message;
    EXPECT_NE(std::find(problems.begin(), problems.end(), wanted), problems.end())
        << "wanted " << wanted << ", found " << (problems.empty() ? "nothing" : problems.front());
  }

  Lines lines_;
};

TEST_F(JassCorpusFaultTest, ClosersRemovedOrDoubled) {
  for (const char* closer : {"endloop", "endif", "endfunction"}) {
    SCOPED_TRACE(closer);
    const std::size_t at = Find(closer);
    Lines removed = lines_;
    removed.erase(removed.begin() + at);
    EXPECT_FALSE(Problems(removed).empty());
    Lines doubled = lines_;
    doubled.insert(doubled.begin() + at, lines_[at]);
    EXPECT_FALSE(Problems(doubled).empty());
  }
  Lines no_endfunction = lines_;
  const std::size_t end = Find("endfunction");
  no_endfunction.erase(no_endfunction.begin() + end);
  ExpectProblem(no_endfunction, Find("function "), "\"function\" without \"endfunction\"");
  Lines extra_endfunction = lines_;
  extra_endfunction.insert(extra_endfunction.begin() + end, "endfunction");
  ExpectProblem(extra_endfunction, end + 1, "\"endfunction\" without \"function\"");
}

TEST_F(JassCorpusFaultTest, FaultsOfOneLine) {
  struct Fault {
    const char* what;
    std::function<std::string(const Lines&, std::size_t&)> make;  // new text of a line it picks
    const char* message;
  } faults[] = {
      {"text after a function's return type",
       [&](const Lines& l, std::size_t& i) { return l[i = Find("function ")] + " = null"; },
       "Expected end of line, found \"=\""},
      {"a name ending in _",
       [&](const Lines& l, std::size_t& i) {
         std::string line = l[i = Find("set ")];
         return line.insert(line.find_first_of(" [=", line.find("set ") + 4), "_");
       },
       ""},
      {"a loop closed inside a line", [&](const Lines& l, std::size_t& i) { return l[i = Find("loop")] + " endloop"; },
       "Expected end of line, found \"endloop\""},
      {"a call cut in half",
       [&](const Lines& l, std::size_t& i) {
         std::string line = l[i = Find("call ")];
         return line.substr(0, line.find('(') + 1);
       },
       "Expected an expression, found end of line"},
      {"a string cut at //",
       [&](const Lines& l, std::size_t& i) {
         std::string line = l[i = Find("call AddSpecialEffectTargetUnitBJ")];
         return line.substr(0, line.find('"') + 3);
       },
       "String literal is not closed on its line"},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    std::size_t at = 0;
    Lines faulty = lines_;
    std::string text = fault.make(lines_, at);
    faulty[at] = text;
    // A cut string swallows lines below it, so the fault's problem need not
    // be the first one.
    const std::string prefix = std::to_string(at) + ": ";
    bool found = false;
    for (const std::string& problem : Problems(faulty))
      found |= problem.rfind(prefix, 0) == 0 && problem.find(fault.message) != std::string::npos;
    EXPECT_TRUE(found) << "no problem on line " << at << " with " << fault.message;
  }
}

TEST_F(JassCorpusFaultTest, DeclarationsAndStatementsOutOfPlace) {
  const std::size_t begin = Find("function "), end = Find("endfunction");
  Lines twice = lines_;
  twice.insert(twice.begin() + end + 1, lines_.begin() + begin, lines_.begin() + end + 1);
  const std::string& header = lines_[begin];
  const std::string name = header.substr(9, header.find(' ', 9) - 9);
  ExpectProblem(twice, end + 1, "\"" + name + "\" is already declared");

  Lines between = lines_;
  between.insert(between.begin() + end + 1, "call " + name + "()");
  ExpectProblem(between, end + 1, "\"call\" outside a function");
}

}  // namespace
}  // namespace zarn
