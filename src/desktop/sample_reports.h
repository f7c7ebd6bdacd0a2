// The reports the screen renderers fill the errors window with, as a real
// run would.
#pragma once

#include "core/report.h"

namespace zarn {

// Three markers in a small script.
ErrorReport SampleMarkerReport();
// A result that the passes broke: a cut global and a function header with a
// tail, as the JASS 2 check reports them.
ErrorReport SampleCheckReport();

}  // namespace zarn
