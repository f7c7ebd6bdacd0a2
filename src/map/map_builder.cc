#include "map/map_builder.h"

#include <StormLib.h>

#include <cstdio>

#include "map/storm_path.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace zarn {

namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw Error(what + " (error code " + std::to_string(GetLastError()) + ")");
}

}  // namespace

void BuildMapArchive(const std::string& path, const std::vector<MapFile>& files, const MapBuildOptions& options) {
  if (options.sector_size_shift > 22)
    throw Error("Sector size shift too large: " + std::to_string(options.sector_size_shift));
  RemoveFile(path);
  SFILE_CREATE_MPQ create{};
  create.cbSize = sizeof create;
  create.dwMpqVersion = MPQ_FORMAT_VERSION_1;
  create.dwFileFlags1 = MPQ_FILE_DEFAULT_INTERNAL;
  create.dwFileFlags2 = options.attributes ? MPQ_FILE_DEFAULT_INTERNAL : 0;
  create.dwAttrFlags = options.attributes ? MPQ_ATTRIBUTE_CRC32 | MPQ_ATTRIBUTE_FILETIME : 0;
  create.dwSectorSize = 512u << options.sector_size_shift;
  // Room for the files, the two internal files and a few replacements.
  create.dwMaxFileCount = static_cast<DWORD>(files.size() + 16);
  HANDLE archive = nullptr;
  if (!SFileCreateArchive2(StormPath(path).c_str(), &create, &archive)) Fail("Cannot create archive " + path);

  for (const MapFile& file : files) {
    HANDLE handle = nullptr;
    const DWORD size = static_cast<DWORD>(file.bytes.size());
    bool ok =
        SFileCreateFile(archive, file.name.c_str(), 0, size, 0, MPQ_FILE_COMPRESS | MPQ_FILE_REPLACEEXISTING, &handle);
    if (ok && size > 0) ok = SFileWriteFile(handle, file.bytes.data(), size, MPQ_COMPRESSION_ZLIB);
    if (handle) ok = SFileFinishFile(handle) && ok;
    if (!ok) {
      SFileCloseArchive(archive);
      Fail("Cannot add " + file.name + " to " + path);
    }
  }
  if (!SFileCloseArchive(archive)) Fail("Cannot write archive " + path);
}

}  // namespace zarn
