// A map saved as a folder (the editor's "folder" format): its script is the
// file war3map.j in it. The script is opened once, judged and read through
// that handle, and, on a clean result, a new file written beside it is
// renamed over it; no other file of the folder is touched, and nothing
// outside the folder is read or written.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "map/archive.h"
#include "map/map_access.h"
#include "platform/opened_files.h"

namespace zarn {

class MapFolder : public MapAccess {
 public:
  explicit MapFolder(std::string folder);

  // Opens war3map.j without following a link or waiting on anything, locks
  // it and reads it through that handle. Throws ESFileOpenFileEx
  // "war3map.j (F.w3x is a folder without war3map.j)" when there is none,
  // "war3map.j (F.w3x/war3map.j is a link; ...)" for a link (or reparse
  // point) and the same "is not a regular file" for a FIFO, a device or a
  // folder; Error when another program keeps war3map.j locked, FileError
  // when it cannot be read.
  void ExtractScript(const std::string& disk_path, ProgressReporter& progress) override;
  // Writes the script to a new temporary file beside war3map.j, syncs it,
  // checks that war3map.j is still the plain file read and renames the new
  // file over it relative to the folder's handle, then syncs the folder,
  // reporting the write steps kCopyMade, kCopySynced, kReplaced and
  // kFolderSynced.
  void InsertScript(const std::string& parsed_path) override;

  const std::string& path() const override { return folder_; }
  std::string ScriptOnDisk() const override { return script_; }
  std::string KeptFile() const override { return script_; }

  // Makes kCopy or kReplace fail, for tests of the failure paths.
  void FailAt(InsertStep step) { fail_at_ = step; }
  void SetLockWait(std::chrono::milliseconds wait) { lock_wait_ = wait; }

 private:
  void OpenScript();
  MapLock::Result TryOpenLocked();
  void CheckUnchanged() const;
  void WriteNewScript(const std::string& copy, const std::string& parsed_path) const;

  std::string folder_, script_;
  OpenedFile dir_;   // the folder
  OpenedFile file_;  // its war3map.j, held open (and locked) for the run
  bool locked_ = false;
  std::optional<FileIdentity> extracted_as_;
  InsertStep fail_at_ = InsertStep::kNone;
  std::chrono::milliseconds lock_wait_ = kMapLockWait;
};

}  // namespace zarn
