#include "map/archive.h"

#include <StormLib.h>

#include <cstdio>
#include <memory>

#include "map/archive_search.h"
#include "map/archive_worker.h"
#include "map/mpq_tables.h"
#include "map/temporary_copy.h"
#include "map/write_steps.h"
#include "platform/files.h"
#include "platform/locks.h"
#include "platform/opened_files.h"
#include "platform/paths.h"
#include "platform/temporary_copies.h"
#include "text/script.h"

namespace zarn {

namespace {

constexpr const char* kScriptName = "war3map.j";

std::string SystemReason() { return ": " + LastSystemReason(); }

// Closes an archive file handle on the way out of an exception.
struct OpenArchiveFile {
  HANDLE handle = nullptr;
  ~OpenArchiveFile() {
    if (handle) SFileCloseFile(handle);
  }
};

std::uint32_t SectorSizeExponent(HANDLE archive) {
  TMPQHeader header{};
  DWORD needed = 0;
  if (!SFileGetFileInfo(archive, SFileMpqHeader, &header, sizeof header, &needed)) {
    // Shorter headers still carry the exponent at the same place.
    if (needed < 16 || !SFileGetFileInfo(archive, SFileMpqHeader, &header, needed, &needed)) return 3;
  }
  return header.wSectorSize;
}

// Refuses a size before any memory is set aside for it: over the limit, or
// more than the stored data of the file could hold.
void CheckFileSize(HANDLE archive, HANDLE file, const std::string& name, std::uint32_t size,
                   std::uint32_t sector_size) {
  if (size > kMaxArchiveFileSize) {
    throw Error("Archive file " + name + " is too large: " + std::to_string(size) + " bytes (the limit is " +
                std::to_string(kMaxArchiveFileSize) + ")");
  }
  DWORD stored = 0, flags = 0;
  ULONGLONG archive_size = 0;
  if (!SFileGetFileInfo(file, SFileInfoCompressedSize, &stored, sizeof stored, nullptr) ||
      !SFileGetFileInfo(file, SFileInfoFlags, &flags, sizeof flags, nullptr) ||
      !SFileGetFileInfo(archive, SFileMpqArchiveSize64, &archive_size, sizeof archive_size, nullptr))
    return;
  bool backed = stored <= archive_size;
  if (!(flags & (MPQ_FILE_COMPRESS | MPQ_FILE_IMPLODE))) {
    backed = backed && stored >= size;
  } else if (!(flags & MPQ_FILE_SINGLE_UNIT) && sector_size != 0 && size != 0) {
    // Every sector of a compressed file has an entry in its offset table.
    const std::uint64_t sectors = (std::uint64_t(size) + sector_size - 1) / sector_size;
    backed = backed && std::uint64_t(stored) >= 4 * (sectors + 1);
  }
  if (!backed) {
    throw Error("Archive file " + name + " claims " + std::to_string(size) + " bytes that the archive cannot hold");
  }
}

}  // namespace

std::uint32_t ReadBufferSize(std::uint32_t exponent) {
  // 2^(9 + s) by doubling in 32 bits: every exponent from 23 on gives 0.
  std::uint32_t size = exponent + 9 < 32 ? std::uint32_t{1} << (exponent + 9) : 0;
  return size == 0 ? 4096 : size;
}

std::string ReadArchiveFile(void* archive, const std::string& name, std::uint32_t buffer_size,
                            std::vector<std::uint32_t>* piece_sizes) {
  OpenArchiveFile file;
  if (!archive || !SFileOpenFileEx(archive, name.c_str(), SFILE_OPEN_FROM_MPQ, &file.handle)) {
    file.handle = nullptr;
    throw ESFileOpenFileEx(name);
  }
  const std::uint32_t sector_size = ReadBufferSize(SectorSizeExponent(archive));
  const std::uint32_t piece = buffer_size != 0 ? buffer_size : sector_size;

  DWORD high = 0;
  const DWORD size = SFileGetFileSize(file.handle, &high);
  if (size == SFILE_INVALID_SIZE || high != 0) throw ESFileReadFile();
  CheckFileSize(archive, file.handle, name, size, sector_size);

  std::unique_ptr<char[]> buffer(new char[piece]);
  std::string image;
  image.reserve(size);
  for (std::uint32_t remaining = size; remaining > 0;) {
    const DWORD wanted = piece <= remaining ? piece : remaining;
    DWORD delivered = 0;
    // A read that delivers nothing while bytes remain would never end.
    if (!SFileReadFile(file.handle, buffer.get(), wanted, &delivered, nullptr) || delivered == 0 || delivered > wanted)
      throw ESFileReadFile();
    image.append(buffer.get(), delivered);
    if (piece_sizes) piece_sizes->push_back(delivered);
    remaining -= delivered;
  }
  HANDLE h = file.handle;
  file.handle = nullptr;
  if (!SFileCloseFile(h)) throw ESFileCloseFile();
  return image;
}

std::string ReadArchiveFileStart(void* archive, const std::string& name, std::uint32_t most) {
  OpenArchiveFile file;
  if (!archive || !SFileOpenFileEx(archive, name.c_str(), SFILE_OPEN_FROM_MPQ, &file.handle)) {
    file.handle = nullptr;
    return "";
  }
  std::string start(most, '\0');
  DWORD delivered = 0;
  // A short file ends the read early; a failing one gives nothing.
  if (!SFileReadFile(file.handle, start.data(), most, &delivered, nullptr) && GetLastError() != ERROR_HANDLE_EOF)
    return "";
  start.resize(delivered <= most ? delivered : 0);
  return start;
}

std::string NotAMapReason(const std::string& map_path, bool exists, bool archive) {
  const std::string name = FileName(map_path);
  if (!exists) return name + " does not exist";
  return name + (archive ? " is a damaged map archive" : " is not a map archive");
}

MapArchive::MapArchive(std::string map_path) : path_(std::move(map_path)) {}

MapArchive::~MapArchive() = default;

std::chrono::milliseconds MapArchive::WorkLimit(std::uint64_t size) const {
  return work_limit_.count() > 0 ? work_limit_ : ArchiveWorkTimeLimit(size);
}

namespace {

// Whether something other than a regular file, a FIFO or a device, stands in
// the map's place. Such a map is refused before anything reads it: reading
// one could wait for ever, holding the working folder's lock.
bool IsOfOtherKind(const std::string& map_path) {
  OpenedFile file;
  OpenFailure failure = OpenFailure::kNone;
  std::string reason;
  return file.Open(map_path, LinkRule::kFollow, failure, reason) && file.kind() != FileKind::kRegular;
}

}  // namespace

void MapArchive::ExtractScript(const std::string& disk_path, ProgressReporter& progress) {
  progress.SetProgress("Opening archive: WORKING...", 10);
  LockMapFile(lock_, path_, path_, lock_wait_);
  RemoveStaleCopiesOf(path_, lock_.held(), progress);
  const std::optional<FileIdentity> map = IdentityOf(path_);
  const bool map_exists = map.has_value();
  extracted_ = map_exists;
  if (map_exists) extracted_as_ = *map;
  // The disk file is created before the archive is read: a failed read
  // leaves it empty.
  ScriptFile script(disk_path, map);
  if (map_exists && IsOfOtherKind(path_))
    throw ESFileOpenFileEx(kScriptName, FileName(path_) + " is not a regular file");
  // A file the game would not read as a map is refused before the library
  // sees it. Tables the file cannot hold are refused before the library sets
  // memory aside for them; like a file that is no archive, that shows up as
  // the script that cannot be opened.
  const ArchiveSearch search = SearchArchiveHeader(path_);
  const bool readable = map_exists && search.header_offset && !ImplausibleMpqTables(path_);
  progress.SetProgress("Extracting script: WORKING...", 20);

  if (!search.refusal.empty()) throw EArchiveRead("the file holds " + search.refusal);
  if (!readable)
    throw ESFileOpenFileEx(kScriptName, NotAMapReason(path_, map_exists, search.header_offset.has_value()));
  script.WriteAndClose(SplitScriptReply(RunArchiveTask(kReadScriptTask, {path_}, WorkLimit(map->size)), info_header_));
}

void MapArchive::WriteCopy(const std::string& copy, const std::string& parsed_path, std::uint64_t size) const {
  const ArchiveSearch search = SearchArchiveHeader(copy);
  if (!search.refusal.empty() || ImplausibleMpqTables(copy))
    throw EArchiveUpdate("cannot open " + path_ + " as an archive");
  const std::string first_format = search.format_version == 0 ? "1" : "0";
  // Writing takes longer than reading: compaction rewrites the whole archive.
  RunArchiveTask(kWriteScriptTask, {copy, parsed_path, path_, std::to_string(static_cast<int>(fail_at_)), first_format},
                 2 * WorkLimit(size));
}

void MapArchive::ReplaceMap(const std::string& copy, const std::string& map_path) {
  // The rename is the commit: nothing may fail after it.
  if (fail_at_ == InsertStep::kReplace) throw EArchiveUpdate("cannot replace " + path_ + " (injected failure)");
  if (!lock_.ReplaceLockedFile(copy, map_path)) throw EArchiveUpdate("cannot replace " + path_ + SystemReason());
}

void MapArchive::InsertScript(const std::string& parsed_path) {
  // The worker reads the script; one that cannot be read fails the update
  // there, before anything replaces the map.
  const std::string map_path = ResolvedPath(path_);
  const FileIdentity original =
      CheckMayBeReplaced(map_path, path_, extracted_ ? std::optional<FileIdentity>(extracted_as_) : std::nullopt);
  if (fail_at_ == InsertStep::kCopy) throw EArchiveUpdate("cannot create a temporary copy (injected failure)");
  TemporaryCopy copy(map_path);
  ReachedWriteStep(WriteStep::kCopyMade);
  copy.LetWriterIn();
  WriteCopy(copy.path(), parsed_path, original.size);
  copy.Hold();
  // A power cut after the rename must find the new map whole.
  std::string reason;
  if (!SyncFileToDisk(copy.path(), reason))
    throw EArchiveUpdate("cannot write " + copy.path() + " to the disk: " + reason);
  ReachedWriteStep(WriteStep::kCopySynced);
  copy.LetGo();
  ReplaceMap(copy.path(), map_path);
  copy.Keep();
  ReachedWriteStep(WriteStep::kReplaced);
  SyncFolderOf(map_path);
  ReachedWriteStep(WriteStep::kFolderSynced);
}

}  // namespace zarn
