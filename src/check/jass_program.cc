// The full check over a program's sources, and the API it starts from.
#include <algorithm>
#include <filesystem>

#include "check/jass_api.h"
#include "check/jass_checker.h"
#include "check/jass_grammar.h"
#include "check/jass_semantics.h"
#include "check/vjass_balance.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace zarn {

namespace {

void SortProblems(std::vector<JassProblem>& problems) {
  // Openers without closers are found only when their block ends.
  std::stable_sort(problems.begin(), problems.end(), [](const JassProblem& a, const JassProblem& b) {
    if (a.source != b.source) return a.source < b.source;
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
}

void CheckSources(const std::vector<JassSource>& sources, jass::SymbolTable& table, JassCheckResult& result,
                  const jass::FunctionAnnotations* annotations = nullptr) {
  jass::Semantics sem(table, annotations);
  for (std::size_t i = 0; i < sources.size(); ++i) {
    std::vector<JassProblem> problems;
    if (!jass::CheckProgramSource(sources[i].text, problems, sem)) {
      result.vjass = true;
      problems.clear();
      jass::CheckVJassBalance(sources[i].text, problems);
    }
    for (JassProblem& problem : problems) {
      problem.source = i;
      result.problems.push_back(std::move(problem));
    }
  }
  SortProblems(result.problems);
}

}  // namespace

struct JassApi::Data {
  std::string common, blizzard;
  std::vector<JassSource> sources;
  std::vector<JassProblem> problems;
  jass::SymbolTable table;
};

JassCheckResult CheckJassProgram(const std::vector<JassSource>& sources, const JassApi* api,
                                 const jass::FunctionAnnotations* annotations) {
  jass::SymbolTable table = api ? api->table() : jass::SymbolTable{};
  JassCheckResult result;
  CheckSources(sources, table, result, annotations);
  return result;
}

JassApi JassApi::FromTexts(std::string common, std::string blizzard, std::string common_name,
                           std::string blizzard_name) {
  auto data = std::make_shared<Data>();
  data->common = std::move(common);
  data->blizzard = std::move(blizzard);
  data->sources = {{std::move(common_name), data->common}, {std::move(blizzard_name), data->blizzard}};
  JassCheckResult result;
  CheckSources(data->sources, data->table, result);
  data->problems = std::move(result.problems);
  return JassApi(std::move(data));
}

JassApi JassApi::Load(const std::string& dir) {
  const std::string common = PathJoin(dir, kCommonName), blizzard = PathJoin(dir, kBlizzardName);
  return FromTexts(ReadFileBytes(common), ReadFileBytes(blizzard), common, blizzard);
}

bool JassApi::FoundIn(const std::string& dir) {
  std::error_code error;
  return std::filesystem::is_regular_file(PathJoin(dir, kCommonName), error) &&
         std::filesystem::is_regular_file(PathJoin(dir, kBlizzardName), error);
}

const std::vector<JassSource>& JassApi::sources() const { return data_->sources; }
const std::vector<JassProblem>& JassApi::problems() const { return data_->problems; }
const jass::SymbolTable& JassApi::table() const { return data_->table; }

}  // namespace zarn
