// The file operations that updating a map in place needs, each with the
// guarantee it gives on every system.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// Which file a path names, and its size and modification time: equal
// identities mean nobody saved the file in between.
struct FileIdentity {
  unsigned long long device = 0, file = 0, size = 0;
  long long mtime_sec = 0, mtime_nsec = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Follows symbolic links; nothing when the file cannot be reached.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// The file a path stands for, symbolic links followed; the path itself when
// it cannot be resolved.
std::string ResolvedPath(const std::string& path);

// True when this user may not write `path`: its permissions or attributes say
// read-only.
bool IsReadOnlyFile(const std::string& path);

// The system's words for why the last call here failed, for messages. The
// calls below that return false leave it set.
std::string LastSystemReason();

// Makes a copy of `original` beside it, named "<original>.zarn-XXXXXX.tmp",
// with its bytes on the disk, and sets `copy` to its name. False when it
// cannot: `copy` is then empty when no file could be created, and a partial
// copy is removed.
bool CreateTemporaryCopy(const std::string& original, std::string& copy);

// Puts `replacement` in the place of `target` in one step, keeping the
// target's owner and permissions where the system has them: readers see the
// old file or the new one, never a mix. False when it cannot; a target that
// another program holds open on Windows makes it fail, and it stays intact.
bool ReplaceFile(const std::string& replacement, const std::string& target);

// Makes the last rename in the folder of `path` durable; best effort.
void SyncFolderOf(const std::string& path);

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

// A new or emptied file for the extracted script, opened without following a
// symbolic link and never when it is the file `not_this` names (the map).
// Throws FileError("Cannot write file PATH: ...").
class ScriptFile {
 public:
  ScriptFile(const std::string& path, const std::optional<FileIdentity>& not_this);
  ~ScriptFile();
  ScriptFile(const ScriptFile&) = delete;
  ScriptFile& operator=(const ScriptFile&) = delete;

  // Writes all of `bytes` and closes the file; throws FileError.
  void WriteAndClose(std::string_view bytes);

 private:
  std::string path_;
  std::intptr_t handle_ = -1;
};

}  // namespace zarn
