// The desktop programs' command line: it picks one run by the position of its
// arguments, compared exactly, and the process ends with that run's exit code.
#pragma once

#include <string>
#include <vector>

namespace zarn {

enum class RunKind { kProcessMap, kUpdate, kAbout };

struct RunChoice {
  RunKind kind = RunKind::kAbout;
  std::string map_path;
  bool delete_working_files = false;
  bool words = false;  // keywords only as whole words (--words)
};

// `args` are the arguments after the program name.
RunChoice ChooseRun(const std::vector<std::string>& args);

}  // namespace zarn
