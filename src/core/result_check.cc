#include "core/result_check.h"

#include <string>

#include "check/jass_checker.h"
#include "platform/errors.h"
#include "platform/paths.h"

namespace zarn {

namespace {

// A problem of the API's own files is at its place there; one of the script
// at its place in the processed script, until the run names the user's.
ErrorEntry Entry(const JassProblem& problem, const std::string* api_file) {
  ErrorEntry entry{SourcePlace{api_file ? *api_file : std::string(), problem.line, problem.column}, problem.message,
                   std::nullopt};
  if (!api_file) entry.processed_line = problem.line - 1;
  return entry;
}

}  // namespace

ErrorReport CheckResultScript(std::string_view script, ProgressReporter& progress, const JassApi* api,
                              const jass::FunctionAnnotations* annotations, bool* vjass) {
  JassCheckResult result = api ? CheckJassProgram({{"", script}}, api, annotations) : CheckJass(script);
  if (result.vjass) progress.Note(kVjassNote);
  if (vjass) *vjass = result.vjass;
  const std::size_t api_problems = api ? api->problems().size() : 0;
  ErrorReport report;
  if (result.problems.empty() && api_problems == 0) return report;
  report.script = std::string(script);
  report.first_marker_line = result.problems.empty() ? 0 : result.problems.front().line - 1;
  report.marker_count = result.problems.size() + api_problems;
  report.entries.reserve(report.marker_count);
  for (std::size_t i = 0; i < api_problems; ++i) {
    const JassProblem& problem = api->problems()[i];
    report.entries.push_back(Entry(problem, &api->sources()[problem.source].name));
  }
  for (const JassProblem& problem : result.problems) report.entries.push_back(Entry(problem, nullptr));
  return report;
}

ErrorReport CheckChosen(std::string_view script, ProgressReporter& progress, const ChosenApi& chosen,
                        const jass::FunctionAnnotations* annotations, bool* vjass) {
  bool held_vjass = false;
  ErrorReport report =
      CheckResultScript(script, progress, chosen.api ? &*chosen.api : nullptr, annotations, &held_vjass);
  if (vjass) *vjass = held_vjass;
  if (report.marker_count > 0 && !held_vjass) {
    report.checked_against = chosen.CheckedLine();
    // The way on is for faults of names and types, which the grammar alone
    // does not find.
    if (chosen.builtin() && CheckJass(script).problems.size() < report.marker_count)
      report.advice = BuiltinRefusalAdvice();
  }
  return report;
}

bool ApiDirUsable(const std::string& dir, std::string& why) {
  if (dir.empty() || JassApi::FoundIn(dir)) return true;
  why = std::string(JassApi::kCommonName) + " and " + JassApi::kBlizzardName + " not found in " + dir;
  return false;
}

std::string ApiLookupDir() {
  try {
    return WorkingDir();
  } catch (const FileError&) { return ""; }
}

}  // namespace zarn
