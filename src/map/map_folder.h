// A map saved as a folder (the editor's "folder" format): its script is the
// file war3map.j in it. The script is read from there and, on a clean
// result, a new file written beside it is renamed over it; no other file of
// the folder is touched.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "map/archive.h"
#include "map/map_access.h"

namespace zarn {

class MapFolder : public MapAccess {
 public:
  explicit MapFolder(std::string folder);

  // Throws ESFileOpenFileEx "war3map.j (F.w3x is a folder without
  // war3map.j)" when there is none, Error when another program keeps
  // war3map.j locked, FileError when it cannot be read.
  void ExtractScript(const std::string& disk_path, ProgressReporter& progress) override;
  // Writes the script to a temporary file beside war3map.j, syncs it, renames
  // it over war3map.j (the file a symbolic link points to, not the link) and
  // syncs the folder, reporting the write steps kCopyMade, kCopySynced,
  // kReplaced and kFolderSynced.
  void InsertScript(const std::string& parsed_path) override;

  const std::string& path() const override { return folder_; }
  std::string ScriptOnDisk() const override { return script_; }
  std::string KeptFile() const override { return script_; }

  // Makes kCopy or kReplace fail, for tests of the failure paths.
  void FailAt(InsertStep step) { fail_at_ = step; }
  void SetLockWait(std::chrono::milliseconds wait) { lock_wait_ = wait; }

 private:
  void WriteNewScript(const std::string& copy, const std::string& parsed_path) const;

  std::string folder_, script_;
  MapLock lock_;  // war3map.j, held open and locked for the run
  std::optional<FileIdentity> extracted_as_;
  InsertStep fail_at_ = InsertStep::kNone;
  std::chrono::milliseconds lock_wait_ = kMapLockWait;
};

}  // namespace zarn
