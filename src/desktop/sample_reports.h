// The reports the screen renderers fill the errors window with, as a real
// run would.
#pragma once

#include <string>

#include "core/report.h"

namespace zarn {

// Three markers in a small script.
ErrorReport SampleMarkerReport();
// A result that the passes broke: a cut global and a function header with a
// tail, as the JASS 2 check reports them.
ErrorReport SampleCheckReport();
// The closing message of dropped maps, one of each result, with the working
// folder `working_dir`.
std::string SampleDropMessage(const std::string& working_dir);

}  // namespace zarn
