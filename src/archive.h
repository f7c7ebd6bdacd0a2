// Access to the map archive: the script is read out of it at the start of a
// run and, on a clean result, put back.
#pragma once

#include <cstdint>
#include <string>

#include "errors.h"
#include "report.h"

namespace zarn {

// "Error opening file: " + name
class ESFileOpenFileEx : public Error {
 public:
  explicit ESFileOpenFileEx(const std::string& name) : Error("Error opening file: " + name) {}
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

class MapArchive {
 public:
  explicit MapArchive(std::string map_path);
  ~MapArchive();
  MapArchive(const MapArchive&) = delete;
  MapArchive& operator=(const MapArchive&) = delete;

  // Opens the archive (reporting "Opening archive: WORKING..." at 10), then
  // writes its war3map.j to `disk_path` (reporting "Extracting script:
  // WORKING..." at 20). Throws ESFileOpenFileEx, ESFileReadFile, ESFileCloseFile
  // or FileError.
  void ExtractScript(const std::string& disk_path, ProgressReporter& progress);

  // Replaces war3map.j with the bytes of `parsed_path`, deletes "(attributes)"
  // and compacts. Works on a copy that is verified and then renamed over the
  // original; on any failure throws EArchiveUpdate and leaves the map as it was.
  void InsertScript(const std::string& parsed_path);

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  void* handle_ = nullptr;
};

}  // namespace zarn
