// The desktop program's entry: the command line picks one run by the position
// of its arguments, and the process ends with that run's exit code.
#pragma once

#include <string>
#include <vector>

namespace zarn::gui {

enum class RunKind { kProcessMap, kUpdate, kAbout };

struct RunChoice {
  RunKind kind = RunKind::kAbout;
  std::string map_path;
  bool delete_working_files = false;
};

// `args` are the arguments after the program name, compared exactly.
RunChoice ChooseRun(const std::vector<std::string>& args);

// Performs the run; needs a QApplication. An error that ends the run is shown
// in a modal error box and gives exit code 1.
int PerformRun(const RunChoice& choice);

// The modal error box captioned "ZARN" for an error that ended a run.
void ShowRunError(const std::string& message);

}  // namespace zarn::gui
