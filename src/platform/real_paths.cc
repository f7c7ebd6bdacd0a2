#include "platform/real_paths.h"

#include <algorithm>
#include <filesystem>

#include "platform/files.h"

namespace zarn {

bool IsPathSeparator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\';
#else
  return c == '/';
#endif
}

bool IsInsideFolder(const std::string& file, const std::string& folder) {
  if (folder.empty() || file.size() <= folder.size()) return false;
  if (file.compare(0, folder.size(), folder) != 0) return false;
  // The root ("/" or "C:\") ends with its separator already.
  if (IsPathSeparator(folder.back())) return true;
  return IsPathSeparator(file[folder.size()]);
}

std::string FolderHolding(const std::string& path) {
  std::size_t end = path.size();
  while (end > 1 && IsPathSeparator(path[end - 1])) --end;
  std::size_t cut = end;
  while (cut > 0 && !IsPathSeparator(path[cut - 1])) --cut;
  if (cut == 0) return ".";
  std::size_t folder_end = cut;
  while (folder_end > 1 && IsPathSeparator(path[folder_end - 1])) --folder_end;
#ifdef _WIN32
  // "C:\x" is held by "C:\", not by the drive-relative "C:".
  if (folder_end == 2 && path[1] == ':') folder_end = 3;
#endif
  return path.substr(0, folder_end);
}

std::string WithoutTrailingDots(std::string path) {
  for (;;) {
    const std::size_t size = path.size();
    // "C:\" is the drive's root, "C:" its current folder.
    const bool drive_root = size == 3 && path[1] == ':';
    if (size > 1 && IsPathSeparator(path.back()) && !drive_root)
      path.pop_back();
    else if (size > 2 && path.back() == '.' && IsPathSeparator(path[size - 2]))
      path.pop_back();
    else
      return path;
  }
}

std::vector<std::string> SubfolderNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(NativePath(folder), error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_directory(error) && !it->is_symlink(error)) {
      const std::u8string name = it->path().filename().u8string();
      names.emplace_back(name.begin(), name.end());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(NativePath(path), error);
}

}  // namespace zarn
