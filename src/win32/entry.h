// ZARN.exe's entry: the command line picks one run by the position of its
// arguments, and the process ends with that run's exit code.
#pragma once

#include <string>
#include <vector>

#include "core/run_choice.h"

namespace zarn::win32 {

using zarn::ChooseRun;
using zarn::RunChoice;
using zarn::RunKind;

// Performs the run with the Win32 windows. An error that ends it is shown in
// a modal error box captioned "ZARN" and gives exit code 1.
int PerformRun(const RunChoice& choice);

// A modal message box captioned "ZARN"; `error` adds the error icon.
void ShowMessage(const std::string& text, bool error);

}  // namespace zarn::win32
