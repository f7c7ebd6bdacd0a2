#include "core/check_run.h"

#include <optional>

#include "check/jass_api.h"
#include "check/jass_checker.h"
#include "core/result_check.h"

namespace zarn {

namespace {

constexpr const char* kVjassFilesNote =
    "zarn-cli: note: vJass found; for those files the JASS 2 check was skipped, "
    "only literals and block balance were checked";

void AddEntries(const std::vector<JassProblem>& problems, const std::vector<JassSource>& sources, ErrorReport& report) {
  for (const JassProblem& problem : problems)
    report.entries.push_back(
        {SourcePlace{sources[problem.source].name, problem.line, problem.column}, problem.message, std::nullopt});
}

// The grammar check of each file on its own, when the API is not there.
JassCheckResult CheckGrammarOnly(const std::vector<JassSource>& sources) {
  JassCheckResult all;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    JassCheckResult result = CheckJass(sources[i].text);
    all.vjass |= result.vjass;
    for (JassProblem& problem : result.problems) {
      problem.source = i;
      all.problems.push_back(std::move(problem));
    }
  }
  return all;
}

}  // namespace

int RunCheck(const CheckRunOptions& options, ProgressReporter& progress, ErrorPresenter& errors) {
  std::vector<JassSource> sources;
  for (const CheckFile& file : options.files) sources.push_back({file.name, file.text});
  std::optional<JassApi> api;
  if (!options.strict || !options.api_dir.empty()) api = FindJassApi(options.api_dir, ApiLookupDir(), progress);
  const bool full = api || options.strict;
  const JassCheckResult result = full ? CheckJassProgram(sources, api ? &*api : nullptr) : CheckGrammarOnly(sources);
  if (result.vjass) progress.Note(kVjassFilesNote);
  ErrorReport report;
  if (api) AddEntries(api->problems(), api->sources(), report);
  AddEntries(result.problems, sources, report);
  report.marker_count = report.entries.size();
  if (report.marker_count == 0) return 0;
  errors.PresentErrors(report);
  return 1;
}

}  // namespace zarn
