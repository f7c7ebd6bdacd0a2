#include "platform/temporary_copies.h"

#include <set>

#include "platform/real_paths.h"

namespace zarn {

namespace {

constexpr const char* kCopyMark = ".zarn-";
constexpr std::size_t kRandomPartSize = 6;
constexpr const char* kCopyEnd = ".tmp";

// The copy's name for one of its own or a compaction file's name.
std::string CopyNameOf(const std::string& map_name, const std::string& file_name) {
  return file_name.substr(0, map_name.size() + std::string(kCopyMark).size() + kRandomPartSize) + kCopyEnd;
}

bool IsLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

struct PathParts {
  std::string folder, name;
};

// The folder and the file name of a path; the folder is "." for a bare name.
PathParts SplitPath(const std::string& path) {
  std::size_t cut = path.size();
  while (cut > 0 && !IsPathSeparator(path[cut - 1])) --cut;
  if (cut == 0) return {std::string("."), path};
  return {path.substr(0, cut == 1 ? 1 : cut - 1), path.substr(cut)};
}

std::string InFolder(const std::string& folder, const std::string& name) {
  return folder.empty() || IsPathSeparator(folder.back()) ? folder + name : folder + "/" + name;
}

}  // namespace

bool IsTemporaryCopyName(const std::string& map_name, const std::string& file_name) {
  const std::string head = map_name + kCopyMark;
  if (map_name.empty() || file_name.size() < head.size() + kRandomPartSize) return false;
  if (file_name.compare(0, head.size(), head) != 0) return false;
  for (std::size_t i = 0; i < kRandomPartSize; ++i) {
    if (!IsLetterOrDigit(file_name[head.size() + i])) return false;
  }
  const std::string tail = file_name.substr(head.size() + kRandomPartSize);
  return tail == kCopyEnd || tail == ".tmp.tmp" || tail == ".mp_";
}

std::vector<std::string> CompactionFilesOf(const std::string& copy_path) {
  return {copy_path + ".tmp", copy_path.substr(0, copy_path.rfind('.') + 1) + "mp_"};
}

std::size_t RemoveStaleTemporaryCopies(const std::string& map_path) {
  const PathParts parts = SplitPath(map_path);
  const std::string& folder = parts.folder;
  const std::string& map_name = parts.name;
  const std::vector<std::string> names = FileNamesIn(folder);
  std::set<std::string> held;  // copies some run holds
  std::size_t removed = 0;
  // The copies first: compaction files go with their copy, never while a run
  // holds that copy.
  for (const std::string& name : names) {
    if (!IsTemporaryCopyName(map_name, name) || CopyNameOf(map_name, name) != name) continue;
    if (RemoveUnheldCopy(InFolder(folder, name)))
      ++removed;
    else
      held.insert(name);
  }
  for (const std::string& name : names) {
    if (!IsTemporaryCopyName(map_name, name) || CopyNameOf(map_name, name) == name) continue;
    if (held.count(CopyNameOf(map_name, name))) continue;
    if (RemoveUnheldCopy(InFolder(folder, name))) ++removed;
  }
  return removed;
}

std::string StaleCopiesNote(std::size_t removed) {
  return "removed " + std::to_string(removed) + (removed == 1 ? " temporary copy" : " temporary copies") +
         " left by an earlier run";
}

}  // namespace zarn
