// Files opened once and judged by the open handle: what kind of file it is,
// where it really leads, which file it is and how large, and then read from
// that same handle. Nothing is opened again by name between judging and
// reading, so a name that is swapped meanwhile (for a link to elsewhere, a
// FIFO) changes nothing: the file judged is the file read. What a run reads
// on a map's behalf (imported files, a folder map's war3map.j, other files of
// a folder map) goes through here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/files.h"

namespace zarn {

enum class FileKind { kRegular, kFolder, kOther };

enum class LinkRule {
  kFollow,     // links anywhere in the path are followed
  kRefuseLast  // the last part of the path may not be a link (or reparse point)
};

// Why an open failed.
enum class OpenFailure {
  kNone,
  kMissing,  // no such file (or a part of the path is no folder)
  kLink,     // the last part is a link, and LinkRule::kRefuseLast was given
  kInUse,    // another program holds it in a way that keeps this open out (Windows)
  kSystem    // anything else: the system's reason is in `reason`
};

class OpenedFile {
 public:
  OpenedFile() = default;
  ~OpenedFile();
  OpenedFile(OpenedFile&& other) noexcept;
  OpenedFile& operator=(OpenedFile&& other) noexcept;
  OpenedFile(const OpenedFile&) = delete;
  OpenedFile& operator=(const OpenedFile&) = delete;

  // Opens `path` for reading without waiting on anything: a FIFO or a device
  // is opened and then refused by its kind, never read. On Windows the file
  // may be read and renamed by others meanwhile, but not written
  // (`share_write` false) or also written. False when it cannot, with why in
  // `failure` and the system's words in `reason`.
  bool Open(const std::string& path, LinkRule links, OpenFailure& failure, std::string& reason,
            bool share_write = true);
  // The same for the entry `name` of the open folder `folder`, taken
  // relative to its handle where the system has that (openat).
  bool OpenIn(const OpenedFile& folder, const std::string& name, LinkRule links, OpenFailure& failure,
              std::string& reason, bool share_write = true);

  bool is_open() const { return handle_ != -1; }
  FileKind kind() const;
  // Where the handle leads: the absolute path with every link followed, as
  // RealPath (platform/real_paths.h) gives it; nothing when it cannot be
  // told.
  std::optional<std::string> RealPath() const;
  // Device and file number (volume serial and file index on Windows), size
  // and modification time, as the handle reports them.
  std::optional<FileIdentity> Identity() const;

  // Reads from the start, at most `limit` bytes. Returns false when the file
  // holds more than that (`bytes` then holds `limit` of them). Throws
  // FileError naming `shown` when reading fails.
  bool ReadUpTo(std::size_t limit, std::string& bytes, const std::string& shown);

  // Takes an exclusive lock on the file without waiting (flock on POSIX, a
  // byte far past the end on Windows, where it blocks no reader); false when
  // another process holds one, `busy` then true, or when the file system has
  // no locks.
  bool TryLock(bool& busy);

  std::intptr_t handle() const { return handle_; }
  // The path it was opened by.
  const std::string& path() const { return path_; }
  void Close();

 private:
  std::intptr_t handle_ = -1;  // file descriptor, or HANDLE on Windows
  std::string path_;
};

// The identity an open handle reports; nothing when it cannot.
std::optional<FileIdentity> IdentityOfHandle(std::intptr_t handle);
// Where an open handle leads, links followed (see OpenedFile::RealPath).
std::optional<std::string> RealPathOfHandle(std::intptr_t handle);

// A plain file inside a folder, read under the rules for files that come
// with a map: no link as its last part, a regular file only (never waiting on
// a FIFO or a device), at most `limit` bytes, with the identity of what was
// read.
struct PlainFile {
  enum class Refusal { kNone, kMissing, kLink, kNotRegular, kTooLarge, kSystem };
  Refusal refusal = Refusal::kNone;
  std::string reason;  // the system's words, for kSystem
  std::string bytes;
  FileIdentity identity;
};
PlainFile ReadPlainFileIn(const std::string& folder, const std::string& name, std::size_t limit);

// Renames the entry `from` over `to`, both names in the open folder
// `folder`, relative to its handle where the system has that (renameat), so
// that a folder renamed or swapped meanwhile is not written into. The renamed
// file first gets the owner and permissions of `original` (the file `to`
// names, held open) where the system has them. Windows cannot rename over a
// file open here, so there `original` is closed just before. False when it
// cannot, with LastSystemReason set.
bool RenameInFolder(const OpenedFile& folder, const std::string& from, const std::string& to, OpenedFile& original);

// The identity of the entry `name` of the open folder `folder` as it is now,
// a link not followed; `link` is set when it is a link (or reparse point).
// Nothing when it cannot be reached.
std::optional<FileIdentity> EntryIdentity(const OpenedFile& folder, const std::string& name, bool& link);

// A named point between opening and judging a file and reading it: tests
// change what the name stands for there, to show that only the judged file
// is read. Without a registered hook nothing happens.
class OpenedFileHook {
 public:
  virtual ~OpenedFileHook() = default;
  virtual void Judged(const std::string& path) = 0;
};

// Registers `hook` for the program until destruction.
class OpenedFileHookRegistration {
 public:
  explicit OpenedFileHookRegistration(OpenedFileHook& hook);
  ~OpenedFileHookRegistration();
  OpenedFileHookRegistration(const OpenedFileHookRegistration&) = delete;
  OpenedFileHookRegistration& operator=(const OpenedFileHookRegistration&) = delete;
};

// Tells the registered hook, if any, that `path` is open and judged.
void ReachedJudgedFile(const std::string& path);

}  // namespace zarn
