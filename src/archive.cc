// Placeholder until this unit is written.
#include "archive.h"
namespace zarn {
MapArchive::MapArchive(std::string p) : path_(std::move(p)) {}
MapArchive::~MapArchive() {}
void MapArchive::ExtractScript(const std::string&, ProgressReporter&) { throw ESFileOpenFileEx("war3map.j"); }
void MapArchive::InsertScript(const std::string&) {}
}  // namespace zarn
