#include "result_check.h"

#include <string>

#include "check/jass_checker.h"

namespace zarn {

ErrorReport CheckResultScript(std::string_view script, ProgressReporter& progress) {
  JassCheckResult result = CheckJass(script);
  if (result.vjass) progress.Note(kVjassNote);
  ErrorReport report;
  if (result.problems.empty()) return report;
  report.script = std::string(script);
  report.first_marker_line = result.problems.front().line - 1;
  report.marker_count = result.problems.size();
  report.entries.reserve(result.problems.size());
  for (const JassProblem& problem : result.problems)
    report.entries.push_back("Line " + std::to_string(problem.line - 1) + ": " + problem.message);
  return report;
}

}  // namespace zarn
