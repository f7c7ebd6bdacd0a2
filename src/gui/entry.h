// The desktop program's entry: the command line picks one run by the position
// of its arguments, and the process ends with that run's exit code.
#pragma once

#include <string>
#include <vector>

#include "run_choice.h"

namespace zarn::gui {

using zarn::ChooseRun;
using zarn::RunChoice;
using zarn::RunKind;

// Performs the run; needs a QApplication. An error that ends the run is shown
// in a modal error box and gives exit code 1.
int PerformRun(const RunChoice& choice);

// The modal error box captioned "ZARN" for an error that ended a run.
void ShowRunError(const std::string& message);

}  // namespace zarn::gui
