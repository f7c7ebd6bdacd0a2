// ZARN.exe's entry: the command line picks one run by the position of its
// arguments, and the process ends with that run's exit code.
#pragma once

#include <string>
#include <vector>

namespace zarn::win32 {

enum class RunKind { kProcessMap, kUpdate, kAbout };

struct RunChoice {
  RunKind kind = RunKind::kAbout;
  std::string map_path;
  bool delete_working_files = false;
};

// `args` are the arguments after the program name, compared exactly.
RunChoice ChooseRun(const std::vector<std::string>& args);

// Performs the run. An error that ends it is shown in a modal error box
// captioned "ZARN" and gives exit code 1.
int PerformRun(const RunChoice& choice);

// A modal message box captioned "ZARN"; `error` adds the error icon.
void ShowMessage(const std::string& text, bool error);

}  // namespace zarn::win32
