// Locks that keep runs apart: the working folder's lock file and the map
// itself, held for a run.
#pragma once

#include <cstdint>
#include <string>

namespace zarn {

// An exclusive lock on a lock file, held until destruction. Processes that
// share a working folder take turns through it.
class FileLock {
 public:
  // Creates `path` when needed. Throws FileError when it cannot be created.
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock without waiting; false when another process holds it.
  bool TryLock();
  // Waits until the lock is free and takes it.
  void Lock();

 private:
  std::intptr_t handle_ = -1;  // file descriptor, or HANDLE on Windows
};

// The map, held open with an exclusive lock for the rest of a run, so that
// two runs on the same map take turns and a program that holds the map is
// not written under. Readers of the map are not blocked.
class MapLock {
 public:
  enum class Result {
    kLocked,     // held
    kBusy,       // another run or program holds it
    kReplaced,   // the file was replaced meanwhile: try again at once
    kUnlockable  // no such file, or a file system without locks: go on unlocked
  };
  MapLock() = default;
  ~MapLock();
  MapLock(const MapLock&) = delete;
  MapLock& operator=(const MapLock&) = delete;

  // One try; the lock is kept only when the file held is still the one the
  // path names (an update renames a new file over the map).
  Result TryLock(const std::string& path);
  bool held() const { return handle_ != -1; }
  // ReplaceFile(replacement, target) for the file this lock holds. Windows
  // cannot rename over a file open here, so there the lock ends just before.
  bool ReplaceLockedFile(const std::string& replacement, const std::string& target);

 private:
  void Release();
  std::intptr_t handle_ = -1;  // file descriptor, or HANDLE on Windows
};

}  // namespace zarn
