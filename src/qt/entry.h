// The desktop program's entry: the command line picks one run by the position
// of its arguments, and the process ends with that run's exit code.
#pragma once

#include <string>
#include <vector>

#include "core/run_choice.h"

namespace zarn::qt {

using zarn::ChooseRun;
using zarn::RunChoice;
using zarn::RunKind;

// Performs the run with the Qt windows; needs a QApplication. An error that
// ends the run is shown in a modal error box and gives exit code 1.
int PerformRun(const RunChoice& choice);

// A modal message box captioned "ZARN"; `error` adds the error icon.
void ShowMessage(const std::string& text, bool error);

}  // namespace zarn::qt
