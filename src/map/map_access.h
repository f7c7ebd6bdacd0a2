// The map a run works on: an MPQ archive (map/archive.h) or a folder that the
// editor saved the map as (map/map_folder.h). Either gives its war3map.j to a
// working file at the start of a run and, on a clean result, takes the
// processed script back in one step that cannot leave the map half written.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/locks.h"
#include "platform/progress.h"

namespace zarn {

class MapAccess {
 public:
  virtual ~MapAccess() = default;

  // Locks the map for the rest of the run and writes its war3map.j to
  // `disk_path`, reporting "Opening archive: WORKING..." at 10 and
  // "Extracting script: WORKING..." at 20. Throws ESFileOpenFileEx when there
  // is no script to read, with the reason after the name.
  virtual void ExtractScript(const std::string& disk_path, ProgressReporter& progress) = 0;
  // Puts the bytes of `parsed_path` in as war3map.j; throws EArchiveUpdate and
  // leaves the map as it was when it cannot.
  virtual void InsertScript(const std::string& parsed_path) = 0;

  // The path the map was given by.
  virtual const std::string& path() const = 0;
  // The map's war3map.j as a file of its own (a folder map), or empty.
  virtual std::string ScriptOnDisk() const { return std::string(); }
  // The file that a working file must never be: the map, or its war3map.j.
  virtual std::string KeptFile() const { return path(); }
  // The first bytes of the map's war3map.w3i (map/map_info.h), read with
  // the script by ExtractScript; empty when the map has none or it could not
  // be read.
  const std::string& InfoHeader() const { return info_header_; }
  // The folder the script's //!import paths are taken from: the one that
  // holds the map (or the map's folder).
  std::string ImportFolder() const;

 protected:
  std::string info_header_;
};

// A folder (map/map_folder.h) or an archive (map/archive.h), by what `path`
// names now.
std::unique_ptr<MapAccess> OpenMap(const std::string& path);

// Tries `try_lock` until it gives anything but kBusy, for up to `wait`; a
// kReplaced result is tried again at once. Throws Error when another process
// keeps the map; `shown` is how the message names the map.
void WaitForMapLock(const std::function<MapLock::Result()>& try_lock, const std::string& shown,
                    std::chrono::milliseconds wait);
// WaitForMapLock with the map lock on `file`.
void LockMapFile(MapLock& lock, const std::string& file, const std::string& shown, std::chrono::milliseconds wait);

// Checks that the map file `file` may be replaced now: it is there, it is
// the file read at extraction (`extracted`, when known) and it may be
// written. Returns its identity; throws EArchiveUpdate naming `shown`.
FileIdentity CheckMayBeReplaced(const std::string& file, const std::string& shown,
                                const std::optional<FileIdentity>& extracted);

// Removes the temporary copies of `file` that no run holds, when this run
// holds the map's lock (`locked`), and notes how many.
void RemoveStaleCopiesOf(const std::string& file, bool locked, ProgressReporter& progress);

}  // namespace zarn
