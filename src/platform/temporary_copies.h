// The temporary copies a run makes beside a map, "<map>.zarn-XXXXXX.tmp",
// and the archive library's compaction file beside each: the copy's name with
// ".tmp" added (other builds of the library name it with "mp_" in place of
// "tmp"). A run holds a lock on its copy until it has removed or renamed it;
// a copy nobody holds was left by a run that ended without cleaning up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zarn {

// True when `file_name` (a name, not a path) is exactly what a run names a
// temporary copy of the map file `map_name`, or a compaction file: the map's
// name, ".zarn-", six letters or digits, and ".tmp", ".tmp.tmp" or ".mp_".
bool IsTemporaryCopyName(const std::string& map_name, const std::string& file_name);

// The compaction files that may belong to the temporary copy `copy_path`.
std::vector<std::string> CompactionFilesOf(const std::string& copy_path);

// A lock on a temporary copy, held through an open handle. On POSIX it is a
// lock on the open file; on Windows the handle itself, which keeps other
// processes from deleting the file.
class CopyLock {
 public:
  CopyLock() = default;
  ~CopyLock();
  CopyLock(const CopyLock&) = delete;
  CopyLock& operator=(const CopyLock&) = delete;

  // Takes the lock on the file `path` names now; false when it cannot (the
  // file is gone, or another run holds it).
  bool Take(const std::string& path);
  // Lets go of the file: before another process opens it for writing
  // (Windows), or when it is renamed or removed.
  void Release();
  bool held() const { return handle_ != -1; }
  // True where a held lock keeps another process from opening the file for
  // writing (Windows): the lock is let go while a worker writes the copy,
  // whose own open handle guards it meanwhile.
  static bool KeepsWritersOut();
  // The open handle, -1 when none.
  std::intptr_t handle() const { return handle_; }

 private:
  std::intptr_t handle_ = -1;  // file descriptor, or HANDLE on Windows
};

// The names of the entries of the folder `dir`, "." and ".." left out;
// empty when it cannot be read.
std::vector<std::string> FileNamesIn(const std::string& dir);

// Removes the temporary copy or compaction file `path` unless a run holds it;
// true when it was removed.
bool RemoveUnheldCopy(const std::string& path);

// Removes the temporary copies of the map file `map_path` that no run holds,
// and their compaction files; returns how many files it removed. Call it
// only while holding the map's lock, so that no run of this map is between
// creating a copy and locking it. Any other file is never touched.
std::size_t RemoveStaleTemporaryCopies(const std::string& map_path);

// "removed N temporary copies left by an earlier run"
std::string StaleCopiesNote(std::size_t removed);

// Writes the file's bytes through to the disk; false when it cannot, with the
// system's words for why in `reason`.
bool SyncFileToDisk(const std::string& path, std::string& reason);

}  // namespace zarn
