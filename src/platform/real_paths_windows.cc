#include <windows.h>

#include "platform/opened_files.h"
#include "platform/real_paths.h"
#include "platform/wide_text.h"

namespace zarn {

std::optional<std::string> RealPath(const std::string& path) {
  if (path.empty()) return std::nullopt;
  // Opening the file follows links and junctions; the handle tells where to.
  HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::string> real = RealPathOfHandle(reinterpret_cast<std::intptr_t>(h));
  CloseHandle(h);
  return real;
}

bool IsAbsolutePath(const std::string& path) {
  if (path.empty()) return false;
  if (path[0] == '/' || path[0] == '\\') return true;
  // "C:x" is taken from the drive's own current folder: never relative to
  // the importing file's folder either.
  return path.size() >= 2 && path[1] == ':';
}

}  // namespace zarn
