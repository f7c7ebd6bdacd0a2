#include "check/jass_checker.h"

#include <algorithm>
#include <optional>

#include "check/jass_api.h"
#include "check/jass_bodies.h"
#include "check/jass_grammar.h"
#include "check/jass_semantics.h"
#include "check/vjass_balance.h"

namespace zarn {

namespace {

void SortProblems(std::vector<JassProblem>& problems) {
  // Openers without closers are found only when their block ends.
  std::stable_sort(problems.begin(), problems.end(), [](const JassProblem& a, const JassProblem& b) {
    if (a.source != b.source) return a.source < b.source;
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
}

}  // namespace

namespace jass {

JassCheckResult CheckSources(const std::vector<JassSource>& sources, SymbolTable& table,
                             const FunctionAnnotations* annotations, const JassCheckExtras& extras) {
  JassCheckResult result;
  std::optional<Semantics> sem;
  sem.emplace(table, annotations);
  sem->SetExtras(extras);
  // An index and assumed names are filled and read in reading order.
  const bool may_split = !extras.index && (!extras.assumed || extras.assumed->empty());
  for (std::size_t i = 0; i < sources.size(); ++i) {
    sem->SetSource(i);
    std::vector<JassProblem> problems;
    const std::string_view text = sources[i].text;
    const std::size_t threads = may_split ? BodyThreads(extras.threads, text.size()) : 1;
    const bool plain = threads > 1 ? CheckSourceOnThreads(text, problems, table, sem, annotations, threads)
                                   : CheckProgramSource(text, problems, *sem);
    if (!plain) {
      result.vjass = true;
      problems.clear();
      CheckVJassBalance(sources[i].text, problems);
    }
    for (JassProblem& problem : problems) {
      problem.source = i;
      result.problems.push_back(std::move(problem));
    }
  }
  SortProblems(result.problems);
  return result;
}

}  // namespace jass

JassCheckResult CheckJass(std::string_view script) {
  JassCheckResult result;
  if (!jass::CheckGrammar(script, result.problems)) {
    result.vjass = true;
    result.problems.clear();
    jass::CheckVJassBalance(script, result.problems);
  }
  // Openers without closers are found only when their block ends.
  std::stable_sort(result.problems.begin(), result.problems.end(), [](const JassProblem& a, const JassProblem& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
  return result;
}

JassCheckResult CheckJassProgram(const std::vector<JassSource>& sources, const JassApi* api,
                                 const jass::FunctionAnnotations* annotations, const JassCheckExtras& extras) {
  jass::SymbolTable table = api ? api->table() : jass::SymbolTable{};
  return jass::CheckSources(sources, table, annotations, extras);
}

}  // namespace zarn
