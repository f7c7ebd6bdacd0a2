// The JASS 2 check of a run's result, reported the way error markers are.
#pragma once

#include <string_view>

#include "report.h"

namespace zarn {

// Checks the preprocessed script. Each problem becomes an entry
// "Line N: message" with N the zero-based line index; the report's count is
// the number of problems and its first line the first problem's line. For a
// script that holds vJass, `progress` gets one note saying so.
ErrorReport CheckResultScript(std::string_view script, ProgressReporter& progress);

// The note for a script whose JASS 2 grammar check was skipped.
inline constexpr const char* kVjassNote =
    "ZARN: the script holds vJass; the JASS 2 grammar check was skipped, "
    "only literals and block balance were checked";

}  // namespace zarn
