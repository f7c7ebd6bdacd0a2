#include "map/map_access.h"

#include <thread>

#include "map/archive.h"
#include "map/map_folder.h"
#include "platform/real_paths.h"
#include "platform/temporary_copies.h"

namespace zarn {

std::string MapAccess::ImportFolder() const { return FolderHolding(path()); }

std::unique_ptr<MapAccess> OpenMap(const std::string& path) {
  // "M.w3x/." and "M.w3x/" are M.w3x: imports come from the folder holding it.
  if (IsFolder(path)) return std::make_unique<MapFolder>(WithoutTrailingDots(path));
  return std::make_unique<MapArchive>(path);
}

// Two runs on the same map must not interleave, and a program that holds the
// map locked is not written under. A run renames a new file over the map, so
// a lock won on a file that is no longer the map is given up and taken again
// on the current one.
void WaitForMapLock(const std::function<MapLock::Result()>& try_lock, const std::string& shown,
                    std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    switch (try_lock()) {
      case MapLock::Result::kLocked:
      case MapLock::Result::kUnlockable: return;
      case MapLock::Result::kReplaced: continue;
      case MapLock::Result::kBusy:
        if (std::chrono::steady_clock::now() >= deadline) throw Error("The map is in use by another program: " + shown);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
}

void LockMapFile(MapLock& lock, const std::string& file, const std::string& shown, std::chrono::milliseconds wait) {
  WaitForMapLock([&] { return lock.TryLock(file); }, shown, wait);
}

FileIdentity CheckMayBeReplaced(const std::string& file, const std::string& shown,
                                const std::optional<FileIdentity>& extracted) {
  const std::optional<FileIdentity> current = IdentityOf(file);
  if (!current) throw EArchiveUpdate("cannot access " + shown + ": " + LastSystemReason());
  // The script was taken from the map as it was then; a map saved since by
  // another program would lose that program's changes.
  if (extracted && !(*current == *extracted))
    throw EArchiveUpdate(shown + " was changed by another program during the run");
  // The new file is renamed over the old one, which needs no write access to
  // it; a file that may not be written is refused here instead.
  if (IsReadOnlyFile(file)) throw EArchiveUpdate(shown + " is read-only");
  return *current;
}

// Copies left by a run that ended without cleaning up. They are told apart
// from a live run's by their locks, which only a map lock of this run's own
// makes a proof: no run of this map is between making a copy and locking it.
void RemoveStaleCopiesOf(const std::string& file, bool locked, ProgressReporter& progress) {
  if (!locked) return;
  const std::size_t removed = RemoveStaleTemporaryCopies(ResolvedPath(file));
  if (removed > 0) progress.Note(StaleCopiesNote(removed));
}

}  // namespace zarn
