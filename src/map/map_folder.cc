#include "map/map_folder.h"

#include "map/map_info.h"
#include "map/temporary_copy.h"
#include "map/write_steps.h"
#include "platform/paths.h"
#include "platform/temporary_copies.h"

namespace zarn {

namespace {

constexpr const char* kScriptName = "war3map.j";
constexpr const char* kOnlyPlain = "; ZARN replaces only a plain war3map.j file";

// The folder's name as the user gave it, without trailing separators.
std::string FolderName(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  return FileName(folder);
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) { return a.device == b.device && a.file == b.file; }

}  // namespace

MapFolder::MapFolder(std::string folder) : folder_(std::move(folder)), script_(PathJoin(folder_, kScriptName)) {}

// One try: war3map.j opened (never a link, never waited on), judged by its
// handle and locked; kReplaced when the name has moved on to another file.
MapLock::Result MapFolder::TryOpenLocked() {
  OpenFailure failure = OpenFailure::kNone;
  std::string reason;
  // Programs may read war3map.j meanwhile, not write it (Windows).
  if (!file_.OpenIn(dir_, kScriptName, LinkRule::kRefuseLast, failure, reason, false)) {
    if (failure == OpenFailure::kMissing)
      throw ESFileOpenFileEx(kScriptName, FolderName(folder_) + " is a folder without war3map.j");
    if (failure == OpenFailure::kLink) throw ESFileOpenFileEx(kScriptName, script_ + " is a link" + kOnlyPlain);
    if (failure == OpenFailure::kInUse) return MapLock::Result::kBusy;
    throw FileError("Cannot open file " + script_ + ": " + reason);
  }
  const std::optional<FileIdentity> held = file_.Identity();
  if (!held || file_.kind() != FileKind::kRegular)
    throw ESFileOpenFileEx(kScriptName, script_ + " is not a regular file" + kOnlyPlain);
  bool busy = false;
  locked_ = file_.TryLock(busy);
  if (!locked_) {
    if (!busy) return MapLock::Result::kUnlockable;  // a file system without locks: go on unlocked
    file_.Close();
    return MapLock::Result::kBusy;
  }
  // A run renames a new file over war3map.j: a lock won on the old one is
  // given up and taken again on the current one.
  bool link = false;
  const std::optional<FileIdentity> named = EntryIdentity(dir_, kScriptName, link);
  if (named && !link && SameFile(*named, *held)) return MapLock::Result::kLocked;
  file_.Close();
  locked_ = false;
  return MapLock::Result::kReplaced;
}

void MapFolder::OpenScript() {
  OpenFailure failure = OpenFailure::kNone;
  std::string reason;
  if (!dir_.Open(folder_, LinkRule::kFollow, failure, reason) || dir_.kind() != FileKind::kFolder)
    throw ESFileOpenFileEx(kScriptName, FolderName(folder_) + " is a folder without war3map.j");
  WaitForMapLock([&] { return TryOpenLocked(); }, script_, lock_wait_);
}

void MapFolder::ExtractScript(const std::string& disk_path, ProgressReporter& progress) {
  progress.SetProgress("Opening archive: WORKING...", 10);
  OpenScript();
  RemoveStaleCopiesOf(script_, locked_, progress);
  extracted_as_ = file_.Identity();
  progress.SetProgress("Extracting script: WORKING...", 20);
  const std::string too_large = "File " + script_ +
                                " is too large: " + std::to_string(extracted_as_ ? extracted_as_->size : 0) +
                                " bytes (the limit is " + std::to_string(kMaxArchiveFileSize) + ")";
  if (extracted_as_ && extracted_as_->size > kMaxArchiveFileSize) throw Error(too_large);
  // Created first, as for an archive: a failed read leaves it empty.
  ScriptFile script(disk_path, extracted_as_);
  ReachedJudgedFile(script_);
  std::string bytes;
  if (!file_.ReadUpTo(kMaxArchiveFileSize, bytes, script_)) throw Error(too_large);
  script.WriteAndClose(bytes);
  info_header_ = ReadFolderMapInfoHeader(folder_);
}

void MapFolder::WriteNewScript(const std::string& copy, const std::string& parsed_path) const {
  try {
    WriteFileBytes(copy, ReadFileBytes(parsed_path));
  } catch (const FileError& e) { throw EArchiveUpdate(e.what()); }
  std::string reason;
  if (!SyncFileToDisk(copy, reason)) throw EArchiveUpdate("cannot write " + copy + " to the disk: " + reason);
}

// war3map.j is still the plain file read at extraction, and may be written.
void MapFolder::CheckUnchanged() const {
  bool link = false;
  const std::optional<FileIdentity> now = EntryIdentity(dir_, kScriptName, link);
  if (!now) throw EArchiveUpdate("cannot access " + script_ + ": " + LastSystemReason());
  if (link || !extracted_as_ || !(*now == *extracted_as_))
    throw EArchiveUpdate(script_ + " was changed by another program during the run");
  // The new file is renamed over the old one, which needs no write access to
  // it; a file that may not be written is refused here instead.
  if (IsReadOnlyFile(script_)) throw EArchiveUpdate(script_ + " is read-only");
}

void MapFolder::InsertScript(const std::string& parsed_path) {
  CheckUnchanged();
  if (fail_at_ == InsertStep::kCopy) throw EArchiveUpdate("cannot create a temporary copy (injected failure)");
  // A new file, written whole: the same temporary file, lock and stop
  // handling as for an archive.
  TemporaryCopy copy(script_, TemporaryCopy::Empty::kEmpty);
  ReachedWriteStep(WriteStep::kCopyMade);
  copy.LetWriterIn();
  WriteNewScript(copy.path(), parsed_path);
  copy.Hold();
  ReachedWriteStep(WriteStep::kCopySynced);
  copy.LetGo();
  // The rename is the commit: nothing may fail after it. Right before it,
  // war3map.j is judged once more (Windows lets the lock go for the rename).
  if (fail_at_ == InsertStep::kReplace) throw EArchiveUpdate("cannot replace " + script_ + " (injected failure)");
  CheckUnchanged();
  if (!RenameInFolder(dir_, FileName(copy.path()), kScriptName, file_))
    throw EArchiveUpdate("cannot replace " + script_ + ": " + LastSystemReason());
  copy.Keep();
  ReachedWriteStep(WriteStep::kReplaced);
  SyncFolderOf(script_);
  ReachedWriteStep(WriteStep::kFolderSynced);
}

}  // namespace zarn
