#include <climits>
#include <cstdlib>

#include "platform/real_paths.h"

namespace zarn {

std::optional<std::string> RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (path.empty() || !::realpath(path.c_str(), resolved)) return std::nullopt;
  return std::string(resolved);
}

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

}  // namespace zarn
