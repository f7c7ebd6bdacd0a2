#include "core/check_run.h"

#include <optional>

#include "check/jass_api.h"
#include "check/jass_checker.h"
#include "core/api_choice.h"
#include "core/imports.h"
#include "core/result_check.h"
#include "platform/files.h"

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

// The same for the problems of the files as pasted: each names the file and
// line it was written at.
void AddPastedEntries(const std::vector<JassProblem>& problems, const std::vector<ImportedScript>& files,
                      ErrorReport& report) {
  for (const JassProblem& problem : problems) {
    const SourceMap& sources = files[problem.source].sources;
    const LineSource at = sources.Of(problem.line - 1);
    report.entries.push_back(
        {SourcePlace{sources.FileName(at.file), at.line, problem.column}, problem.message, std::nullopt});
  }
}

std::vector<ImportedScript> PasteAll(const CheckRunOptions& options, ErrorReport& report) {
  std::vector<ImportedScript> pasted;
  PastedFiles program;
  for (const CheckFile& file : options.files) {
    std::string text = file.text;
    if (file.read_by_run) {
      // A file an earlier one imported is in the program already.
      const std::optional<FileIdentity> id = IdentityOf(file.path);
      if (!id || !program.Contains(*id)) text = ReadFileBytes(file.path);
    }
    const ImportOptions imports{file.name, file.path, file.import_folder, options.import_paths};
    pasted.push_back(PasteImports(std::move(text), imports, &program));
    for (ErrorEntry& entry : ImportProblemsReport(pasted.back()).entries) report.entries.push_back(std::move(entry));
  }
  return pasted;
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
  ErrorReport report;
  const std::vector<ImportedScript> pasted = PasteAll(options, report);
  if (!report.entries.empty()) {
    report.marker_count = report.entries.size();
    errors.PresentErrors(report);
    return 1;
  }
  std::vector<JassSource> sources;
  for (std::size_t i = 0; i < pasted.size(); ++i) sources.push_back({options.files[i].name, pasted[i].text});
  ChosenApi chosen;
  if (!options.strict || !options.api_dir.empty() || !options.patch.empty())
    chosen = ChooseApi({options.api_dir, options.patch, options.no_api}, ApiLookupDir(), nullptr, progress);
  const std::optional<JassApi>& api = chosen.api;
  const bool full = api || options.strict;
  const JassCheckResult result = full ? CheckJassProgram(sources, api ? &*api : nullptr) : CheckGrammarOnly(sources);
  if (result.vjass) progress.Note(kVjassFilesNote);
  if (api) AddEntries(api->problems(), api->sources(), report);
  AddPastedEntries(result.problems, pasted, report);
  report.marker_count = report.entries.size();
  if (report.marker_count == 0) return 0;
  report.checked_against = chosen.CheckedLine();
  if (chosen.builtin() && CheckGrammarOnly(sources).problems.size() < result.problems.size())
    report.advice = BuiltinRefusalAdvice();
  errors.PresentErrors(report);
  return 1;
}

}  // namespace zarn
