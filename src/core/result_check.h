// The JASS 2 check of a run's result, reported the way error markers are.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "check/jass_annotations.h"
#include "check/jass_api.h"
#include "core/api_choice.h"
#include "core/report.h"
#include "core/side_work.h"

namespace zarn {

// Checks the preprocessed script: the full check after the API when `api` is
// given, the grammar check otherwise. Each problem becomes an entry at its
// line of the processed script (a problem of the API's own files at its
// place in that file, without a processed line); the report's count is the number of
// problems and its first line the first problem's line. For a script that
// holds vJass, `progress` gets one note saying so and `*vjass` (when given)
// is set. `annotations` are those of the script as the run read it
// (ReadAnnotations): the run removes comments, so the "//#" lines reach the
// check by the names of their functions.
ErrorReport CheckResultScript(std::string_view script, ProgressReporter& progress, const JassApi* api = nullptr,
                              const jass::FunctionAnnotations* annotations = nullptr, bool* vjass = nullptr);

// The same against the chosen API (core/api_choice.h); a report with entries
// also names it (checked_against) and, when a built-in table refused names
// or types, says how to go on (advice). A vJass script names none.
ErrorReport CheckChosen(std::string_view script, ProgressReporter& progress, const ChosenApi& chosen,
                        const jass::FunctionAnnotations* annotations = nullptr, bool* vjass = nullptr);

// The annotations of the input script, read before preprocessing.
inline jass::FunctionAnnotations ReadAnnotations(std::string_view input) {
  return jass::CollectFunctionAnnotations(input);
}

// The same, read beside the passes for a large script (`input` is the run's
// input, whose bytes stay as they are); none when the run does not `check`.
inline SideWork<jass::FunctionAnnotations> ReadAnnotationsBeside(std::string_view input, bool check = true) {
  return SideWork<jass::FunctionAnnotations>(check && input.size() >= kSideWorkFrom, [input, check] {
    return check ? ReadAnnotations(input) : jass::FunctionAnnotations();
  });
}

// True when `dir` is empty (no folder given) or holds both files; otherwise
// `why` says which folder lacks them.
bool ApiDirUsable(const std::string& dir, std::string& why);
// The working folder to look for the API in; empty when there is none for
// this user: checking a plain script needs no working folder.
std::string ApiLookupDir();

// The note for a script whose JASS 2 grammar check was skipped.
inline constexpr const char* kVjassNote =
    "ZARN: the script holds vJass; the JASS 2 grammar check was skipped, "
    "only literals and block balance were checked";

}  // namespace zarn
