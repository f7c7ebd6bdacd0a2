// Access to the map archive: the script is read out of it at the start of a
// run and, on a clean result, put back.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "map/map_access.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/locks.h"
#include "platform/progress.h"

namespace zarn {

// "Error opening file: " + name, and " (" + reason + ")" when one is given
class ESFileOpenFileEx : public Error {
 public:
  explicit ESFileOpenFileEx(const std::string& name) : Error("Error opening file: " + name) {}
  ESFileOpenFileEx(const std::string& name, const std::string& reason)
      : Error("Error opening file: " + name + " (" + reason + ")") {}
};
// "Error reading file"
class ESFileReadFile : public Error {
 public:
  ESFileReadFile() : Error("Error reading file") {}
};
// "Error closing file handle"
class ESFileCloseFile : public Error {
 public:
  ESFileCloseFile() : Error("Error closing file handle") {}
};
// "Error updating archive: " + what failed
class EArchiveUpdate : public Error {
 public:
  explicit EArchiveUpdate(const std::string& what) : Error("Error updating archive: " + what) {}
};

// "Error reading archive: " + what: the game would not read the file as a
// map, or the archive library stopped on it without an answer.
class EArchiveRead : public Error {
 public:
  explicit EArchiveRead(const std::string& what) : Error("Error reading archive: " + what) {}
};

// Largest war3map.j that is read into memory.
constexpr std::uint32_t kMaxArchiveFileSize = 256u << 20;

// Read buffer size for a block-size exponent s: 512 << s as a 32-bit value,
// or 4096 when that overflows to 0.
std::uint32_t ReadBufferSize(std::uint32_t exponent);

// Reads a whole file out of an open archive (a StormLib handle) in pieces of
// `buffer_size` bytes, or of the archive's sector size when it is 0. Records
// the size of every piece read in `piece_sizes` when given. Throws
// ESFileOpenFileEx, ESFileReadFile, ESFileCloseFile, or Error for a size that
// is over kMaxArchiveFileSize or that the archive cannot hold.
std::string ReadArchiveFile(void* archive, const std::string& name, std::uint32_t buffer_size,
                            std::vector<std::uint32_t>* piece_sizes = nullptr);
// At most `most` bytes from the start of a file in an open archive; empty
// when it is not there or cannot be read. Never throws.
std::string ReadArchiveFileStart(void* archive, const std::string& name, std::uint32_t most);

// The steps of MapArchive::InsertScript, in order.
enum class InsertStep {
  kNone,
  kCopy,              // temporary copy beside the map
  kOpen,              // open the copy for writing
  kDeleteAttributes,  // take "(attributes)" out
  kAddScript,         // add the script as war3map.j
  kCompact,
  kClose,    // write the tables and close
  kVerify,   // read war3map.j back from the closed copy
  kReplace,  // rename the copy over the map
};

// How long a run waits for another process to let go of the map.
constexpr std::chrono::milliseconds kMapLockWait{5000};

// Why a map path gives no script: "m.w3x is not a map archive" and the like.
std::string NotAMapReason(const std::string& map_path, bool exists, bool archive);

class MapArchive : public MapAccess {
 public:
  explicit MapArchive(std::string map_path);
  ~MapArchive() override;
  MapArchive(const MapArchive&) = delete;
  MapArchive& operator=(const MapArchive&) = delete;

  // Takes an exclusive lock on the map for the rest of the run, opens the
  // archive (reporting "Opening archive: WORKING..." at 10), then writes its
  // war3map.j to `disk_path` (reporting "Extracting script: WORKING..." at
  // 20). `disk_path` is never written through a symbolic link and never when it
  // is the map itself. The archive library reads the map in a process of its
  // own. Throws ESFileOpenFileEx, ESFileReadFile, ESFileCloseFile, FileError,
  // EArchiveRead for a file the game would not read as a map or one the
  // library stopped on, or Error when the map stays locked by another process.
  void ExtractScript(const std::string& disk_path, ProgressReporter& progress) override;

  // Replaces war3map.j with the bytes of `parsed_path`, deletes "(attributes)"
  // and compacts. Works on a copy that is verified and then renamed over the
  // original (the file a symbolic link points to, not the link); on any
  // failure, or when the map was changed by someone else since extraction,
  // throws EArchiveUpdate (EArchiveRead when the archive library stopped on
  // the copy) and leaves the map as it was, with no copy left behind.
  void InsertScript(const std::string& parsed_path) override;

  const std::string& path() const override { return path_; }

  // Makes the given insertion step fail as if the library or the file system
  // had refused it; for tests of the failure paths.
  void FailAt(InsertStep step) { fail_at_ = step; }
  void SetLockWait(std::chrono::milliseconds wait) { lock_wait_ = wait; }
  // Replaces the time limit of the archive work, which otherwise scales with
  // the map's size; for tests of work that hangs.
  void SetWorkLimit(std::chrono::milliseconds limit) { work_limit_ = limit; }

 private:
  std::chrono::milliseconds WorkLimit(std::uint64_t size) const;
  void WriteCopy(const std::string& copy, const std::string& parsed_path, std::uint64_t size) const;
  void ReplaceMap(const std::string& copy, const std::string& map_path);

  std::string path_;
  MapLock lock_;            // the map, held open and locked for the run
  bool extracted_ = false;  // `extracted_as_` describes the map as read
  FileIdentity extracted_as_;
  InsertStep fail_at_ = InsertStep::kNone;
  std::chrono::milliseconds lock_wait_ = kMapLockWait;
  std::chrono::milliseconds work_limit_{0};  // 0: scaled with the map's size
};

}  // namespace zarn
