// The desktop programs' command line: it picks one run by the position of its
// arguments, compared exactly, and the process ends with that run's exit code.
#pragma once

#include <string>
#include <vector>

namespace zarn {

enum class RunKind { kProcessMap, kUpdate, kAbout, kDroppedMaps };

struct RunChoice {
  RunKind kind = RunKind::kAbout;
  std::string map_path;
  bool delete_working_files = false;
  bool words = false;  // keywords only as whole words (--words)
  // kDroppedMaps: the maps in the order given.
  std::vector<std::string> map_paths;
};

// `args` are the arguments after the program name. Besides the runs picked by
// position, arguments that all name existing maps, files or folders (IsMapFile), as a file
// manager passes them when maps are dropped on the program or opened with it,
// are a run over each of those maps.
RunChoice ChooseRun(const std::vector<std::string>& args);

// True when `path` names an existing file, or a folder (a map the editor
// saved as a folder), whose name ends in ".w3m", ".w3x" or ".mpq", in any
// letter case.
bool IsMapFile(const std::string& path);

}  // namespace zarn
