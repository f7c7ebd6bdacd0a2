#include "map/map_folder.h"

#include "map/map_info.h"
#include "map/temporary_copy.h"
#include "map/write_steps.h"
#include "platform/paths.h"
#include "platform/temporary_copies.h"

namespace zarn {

namespace {

constexpr const char* kScriptName = "war3map.j";

// The folder's name as the user gave it, without trailing separators.
std::string FolderName(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  return FileName(folder);
}

}  // namespace

MapFolder::MapFolder(std::string folder) : folder_(std::move(folder)), script_(PathJoin(folder_, kScriptName)) {}

void MapFolder::ExtractScript(const std::string& disk_path, ProgressReporter& progress) {
  progress.SetProgress("Opening archive: WORKING...", 10);
  if (!IsRegularFile(script_))
    throw ESFileOpenFileEx(kScriptName, FolderName(folder_) + " is a folder without war3map.j");
  LockMapFile(lock_, script_, script_, lock_wait_);
  RemoveStaleCopiesOf(script_, lock_, progress);
  extracted_as_ = IdentityOf(script_);
  progress.SetProgress("Extracting script: WORKING...", 20);
  if (extracted_as_ && extracted_as_->size > kMaxArchiveFileSize) {
    throw Error("File " + script_ + " is too large: " + std::to_string(extracted_as_->size) + " bytes (the limit is " +
                std::to_string(kMaxArchiveFileSize) + ")");
  }
  // Created first, as for an archive: a failed read leaves it empty.
  ScriptFile script(disk_path, extracted_as_);
  script.WriteAndClose(ReadFileBytes(script_));
  info_header_ = ReadFolderMapInfoHeader(folder_);
}

void MapFolder::WriteNewScript(const std::string& copy, const std::string& parsed_path) const {
  try {
    WriteFileBytes(copy, ReadFileBytes(parsed_path));
  } catch (const FileError& e) { throw EArchiveUpdate(e.what()); }
  std::string reason;
  if (!SyncFileToDisk(copy, reason)) throw EArchiveUpdate("cannot write " + copy + " to the disk: " + reason);
}

void MapFolder::InsertScript(const std::string& parsed_path) {
  const std::string target = ResolvedPath(script_);
  CheckMayBeReplaced(target, script_, extracted_as_);
  if (fail_at_ == InsertStep::kCopy) throw EArchiveUpdate("cannot create a temporary copy (injected failure)");
  // The copy starts as the old script and is then overwritten: the same
  // temporary file, lock and stop handling as for an archive.
  TemporaryCopy copy(target);
  ReachedWriteStep(WriteStep::kCopyMade);
  copy.LetWriterIn();
  WriteNewScript(copy.path(), parsed_path);
  copy.Hold();
  ReachedWriteStep(WriteStep::kCopySynced);
  copy.LetGo();
  // The rename is the commit: nothing may fail after it.
  if (fail_at_ == InsertStep::kReplace) throw EArchiveUpdate("cannot replace " + script_ + " (injected failure)");
  if (!lock_.ReplaceLockedFile(copy.path(), target))
    throw EArchiveUpdate("cannot replace " + script_ + ": " + LastSystemReason());
  copy.Keep();
  ReachedWriteStep(WriteStep::kReplaced);
  SyncFolderOf(target);
  ReachedWriteStep(WriteStep::kFolderSynced);
}

}  // namespace zarn
