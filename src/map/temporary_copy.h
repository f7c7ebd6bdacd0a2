// The temporary copy of a map that an update writes and then renames over
// the map. It is locked while this run has it and removed unless kept; a
// stop request removes it too, with the archive library's compaction file.
#pragma once

#include <list>
#include <optional>
#include <string>

#include "platform/stop_request.h"
#include "platform/temporary_copies.h"

namespace zarn {

class TemporaryCopy {
 public:
  // Copies `original` beside it; throws EArchiveUpdate when it cannot, with
  // no partial copy left.
  explicit TemporaryCopy(const std::string& original);
  // An empty file of the same name, for a writer that writes it whole:
  // nothing of `original` is read.
  enum class Empty { kEmpty };
  TemporaryCopy(const std::string& original, Empty);
  ~TemporaryCopy();
  TemporaryCopy(const TemporaryCopy&) = delete;
  TemporaryCopy& operator=(const TemporaryCopy&) = delete;

  const std::string& path() const { return path_; }

  // Takes the lock on the file the copy's name stands for now: compaction
  // puts a new file in the old one's place.
  void Hold();
  // Lets go of the copy before it is renamed.
  void LetGo();
  // Lets go where a held lock would keep the worker that writes the copy out.
  void LetWriterIn();
  // The copy is the map now: nothing of it is removed any more.
  void Keep();

 private:
  void Make(const std::string& original, bool empty);

  std::string path_;
  CopyLock lock_;
  std::optional<RemovedOnStop> removed_on_stop_;
  std::list<RemovedOnStop> compaction_removed_on_stop_;
};

}  // namespace zarn
