// Files as bytes: reading, writing, replacing, renaming and removing them,
// each with the guarantee it gives on every system. Paths are UTF-8 strings
// on every system; the Windows implementation turns them into UTF-16 names at
// each system call.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// std::fopen by a UTF-8 name (a UTF-16 one on Windows); always pass a binary
// mode, so that no system translates line ends.
std::FILE* OpenStdioFile(const std::string& path, const char* mode);

// A UTF-8 path as the standard library's file streams take it: the bytes as
// they are on POSIX, UTF-16 on Windows.
inline std::filesystem::path NativePath(const std::string& utf8) {
#ifdef _WIN32
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
  return std::filesystem::path(utf8);
#endif
}

// True when `path` names a regular file, symbolic links followed.
bool IsRegularFile(const std::string& path);

// Removes a file; false when it could not (it may not exist).
bool RemoveFile(const std::string& path);

// Whole files as bytes, never translated; failures throw FileError naming
// the path and the system's reason.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::string_view bytes);

// All of standard input, or all of `bytes` to standard output, flushed;
// false when that failed.
bool ReadStandardInput(std::string& bytes);
bool WriteStandardOutput(std::string_view bytes);
// Some bytes of standard input, at most `size`, waiting only when none have
// arrived yet: what a conversation over a pipe needs. 0 at its end or after
// a failure.
std::size_t ReadStandardInputSome(char* buffer, std::size_t size);

// The absolute form of a path, read against the current folder; the path
// itself when that cannot be found out.
std::string AbsolutePath(const std::string& path);

// Renames a file, replacing `to`; false when it could not.
bool RenameFile(const std::string& from, const std::string& to);
// Gives `to` the permissions of `from`; false when it could not.
bool CopyPermissions(const std::string& from, const std::string& to);

// Throws FileError when writing the working file `path` would write through a
// symbolic link (to wherever it points) or into the file `keep` (the map).
void CheckWorkingFileTarget(const std::string& path, const std::string& keep);

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
// Makes `path` read-only for everyone (its write permissions or the
// read-only attribute), or writable again by its owner. False when it cannot.
bool SetReadOnly(const std::string& path, bool read_only);

// The system's words for why the last call here failed, for messages. The
// calls below that return false leave it set.
std::string LastSystemReason();

// Makes a copy of `original` beside it, named "<original>.zarn-XXXXXX.tmp",
// with its bytes on the disk, and sets `copy` to its name. False when it
// cannot: `copy` is then empty when no file could be created, and a partial
// copy is removed.
bool CreateTemporaryCopy(const std::string& original, std::string& copy);
// The same name, but an empty file: nothing of `original` is read.
bool CreateEmptyTemporaryCopy(const std::string& original, std::string& copy);

// Puts `replacement` in the place of `target` in one step, keeping the
// target's owner and permissions where the system has them: readers see the
// old file or the new one, never a mix. False when it cannot; a target that
// another program holds open on Windows makes it fail, and it stays intact.
bool ReplaceFile(const std::string& replacement, const std::string& target);

// Makes the last rename in the folder of `path` durable; best effort.
void SyncFolderOf(const std::string& path);

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
