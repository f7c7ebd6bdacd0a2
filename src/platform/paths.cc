#include "platform/paths.h"

namespace zarn {

std::string WorkingDir() { return WorkingDirFor(ExecutableDir()); }

std::string WorkingDirFor(const std::string& program_dir) {
  if (CanCreateFileIn(program_dir)) return program_dir;
  std::string state = UserStateDir();
  CreateFolders(state);
  return state;
}

}  // namespace zarn
