#include "map/temporary_copy.h"

#include "map/archive.h"
#include "platform/files.h"

namespace zarn {

TemporaryCopy::TemporaryCopy(const std::string& original) { Make(original, false); }

TemporaryCopy::TemporaryCopy(const std::string& original, Empty) { Make(original, true); }

void TemporaryCopy::Make(const std::string& original, bool empty) {
  bool made = false;
  {
    // A stop cannot come between making the copy and registering it.
    StopDeferral defer;
    made = empty ? CreateEmptyTemporaryCopy(original, path_) : CreateTemporaryCopy(original, path_);
    if (made) {
      removed_on_stop_.emplace(path_);
      for (const std::string& file : CompactionFilesOf(path_)) compaction_removed_on_stop_.emplace_back(file);
    }
  }
  if (made) {
    Hold();
    return;
  }
  // A throwing constructor runs no destructor; the partial copy is gone.
  const std::string reason = ": " + LastSystemReason();
  if (path_.empty()) throw EArchiveUpdate("cannot create a temporary copy of " + original + reason);
  const std::string copy = path_;
  path_.clear();
  throw EArchiveUpdate("cannot copy " + original + " to " + copy + reason);
}

TemporaryCopy::~TemporaryCopy() {
  if (path_.empty()) return;
  LetGo();
  RemoveFile(path_);
  // A compaction that failed leaves its file.
  for (const std::string& file : CompactionFilesOf(path_)) RemoveFile(file);
}

void TemporaryCopy::Hold() {
  StopDeferral defer;
  if (lock_.Take(path_)) removed_on_stop_->SetHandle(lock_.handle());
}

void TemporaryCopy::LetGo() {
  // The stop forgets the handle before it is closed, under the same deferral.
  StopDeferral defer;
  removed_on_stop_->SetHandle(-1);
  lock_.Release();
}

void TemporaryCopy::LetWriterIn() {
  if (CopyLock::KeepsWritersOut()) LetGo();
}

void TemporaryCopy::Keep() {
  LetGo();
  removed_on_stop_.reset();
  compaction_removed_on_stop_.clear();
  path_.clear();
}

}  // namespace zarn
