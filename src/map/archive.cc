#include "map/archive.h"

#include <StormLib.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <thread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include "map/archive_search.h"
#include "map/archive_worker.h"
#include "map/mpq_tables.h"
#include "text/script.h"

namespace zarn {

namespace {

constexpr const char* kScriptName = "war3map.j";

std::string SystemReason() { return std::string(": ") + std::strerror(errno); }

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
    throw Error("Archive file " + name + " claims " + std::to_string(size) +
                " bytes that the archive cannot hold");
  }
}

// A file beside the map for the updated archive; removed unless kept.
class TemporaryCopy {
 public:
  explicit TemporaryCopy(const std::string& original) {
    std::string pattern = original + ".zarn-XXXXXX.tmp";
    int fd = mkstemps(pattern.data(), 4);
    if (fd < 0) throw EArchiveUpdate("cannot create a temporary copy of " + original + SystemReason());
    path_ = pattern;
    bool ok = CopyInto(original, fd);
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
      // A throwing constructor runs no destructor: the partial copy goes here.
      const std::string reason = SystemReason();
      std::remove(path_.c_str());
      throw EArchiveUpdate("cannot copy " + original + " to " + path_ + reason);
    }
  }
  ~TemporaryCopy() {
    if (path_.empty()) return;
    std::remove(path_.c_str());
    // The library compacts through a file named with "mp_" after the last dot.
    std::string compact = path_.substr(0, path_.rfind('.') + 1) + "mp_";
    std::remove(compact.c_str());
  }
  const std::string& path() const { return path_; }
  void Keep() { path_.clear(); }

 private:
  static bool CopyInto(const std::string& original, int out) {
    int in = ::open(original.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    char buffer[1 << 16];
    bool ok = true;
    for (;;) {
      ssize_t n = ::read(in, buffer, sizeof buffer);
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      for (ssize_t done = 0; ok && done < n;) {
        ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) ok = false;
        else done += w;
      }
      if (!ok) break;
    }
    int saved = errno;
    ::close(in);
    errno = saved;
    return ok && ::fsync(out) == 0;
  }

  std::string path_;
};

bool SyncFolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

template <class Identity>
Identity IdentityOf(const struct stat& st) {
  Identity id;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = static_cast<unsigned long long>(st.st_size);
  id.mtime_sec = st.st_mtim.tv_sec;
  id.mtime_nsec = st.st_mtim.tv_nsec;
  return id;
}

// The file a map path stands for: a symbolic link is followed, so that the
// update replaces the map and not the link.
std::string RealPathOf(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// Creates or empties the extracted script without following a symbolic link
// and without ever emptying the map itself.
int OpenScriptForWriting(const std::string& disk_path, const struct stat* map) {
  int fd = ::open(disk_path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0 && errno == ELOOP) throw FileError("Cannot write file " + disk_path + ": it is a symbolic link");
  if (fd < 0) throw FileError("Cannot write file " + disk_path + SystemReason());
  struct stat st {};
  if (::fstat(fd, &st) == 0 && map && st.st_dev == map->st_dev && st.st_ino == map->st_ino) {
    ::close(fd);
    throw FileError("Cannot write file " + disk_path + ": it is the map itself");
  }
  if (::ftruncate(fd, 0) != 0) {
    int saved = errno;
    ::close(fd);
    errno = saved;
    throw FileError("Cannot write file " + disk_path + SystemReason());
  }
  return fd;
}

bool WriteAll(int fd, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += static_cast<std::size_t>(w);
  }
  return true;
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
    if (!SFileReadFile(file.handle, buffer.get(), wanted, &delivered, nullptr) || delivered == 0 ||
        delivered > wanted)
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

MapArchive::MapArchive(std::string map_path) : path_(std::move(map_path)) {}

MapArchive::~MapArchive() {
  if (lock_fd_ >= 0) ::close(lock_fd_);  // closing releases the lock
}

// Two runs on the same map must not interleave, and a program that holds the
// map locked is not written under. The update renames a new file over the
// map, so a lock won on a file that is no longer the map is given up and
// taken again on the current one.
void MapArchive::LockMap() {
  const auto deadline = std::chrono::steady_clock::now() + lock_wait_;
  while (lock_fd_ < 0) {
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;  // opening the archive reports a missing map
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) {
        ::close(fd);
        return;  // a file system without locks: go on unlocked
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        ::close(fd);
        throw Error("The map is in use by another program: " + path_);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    struct stat held {}, current {};
    if (::fstat(fd, &held) == 0 && ::stat(path_.c_str(), &current) == 0 && held.st_dev == current.st_dev &&
        held.st_ino == current.st_ino) {
      lock_fd_ = fd;
    } else {
      ::close(fd);
    }
  }
}


std::chrono::milliseconds MapArchive::WorkLimit(std::uint64_t size) const {
  return work_limit_.count() > 0 ? work_limit_ : ArchiveWorkTimeLimit(size);
}

void MapArchive::ExtractScript(const std::string& disk_path, ProgressReporter& progress) {
  progress.SetProgress("Opening archive: WORKING...", 10);
  LockMap();
  struct stat map {};
  const bool map_exists = ::stat(path_.c_str(), &map) == 0;
  extracted_ = map_exists;
  if (map_exists) extracted_as_ = IdentityOf<Identity>(map);
  // A file the game would not read as a map is refused before the library
  // sees it. Tables the file cannot hold are refused before the library sets
  // memory aside for them; like a file that is no archive, that shows up as
  // the script that cannot be opened.
  const ArchiveSearch search = SearchArchiveHeader(path_);
  const bool readable = map_exists && search.header_offset && !ImplausibleMpqTables(path_);
  progress.SetProgress("Extracting script: WORKING...", 20);

  // The disk file is created before the archive is read: a failed read
  // leaves it empty.
  int fd = OpenScriptForWriting(disk_path, map_exists ? &map : nullptr);
  std::string image;
  try {
    if (!search.refusal.empty()) throw EArchiveRead("the file holds " + search.refusal);
    if (!readable) throw ESFileOpenFileEx(kScriptName);
    image = RunArchiveTask(kReadScriptTask, {path_}, WorkLimit(static_cast<std::uint64_t>(map.st_size)));
  } catch (...) {
    ::close(fd);
    throw;
  }
  bool ok = WriteAll(fd, image);
  int saved = errno;
  ok = (::close(fd) == 0) && ok;
  if (!ok) {
    errno = saved ? saved : errno;
    throw FileError("Cannot write file " + disk_path + SystemReason());
  }
}

struct stat MapArchive::CheckMapMayBeReplaced(const std::string& map_path) const {
  struct stat original {};
  if (::stat(map_path.c_str(), &original) != 0) throw EArchiveUpdate("cannot access " + path_ + SystemReason());
  // The script was taken from the map as it was then; a map saved since by
  // another program would lose that program's changes.
  if (extracted_ && !(IdentityOf<Identity>(original) == extracted_as_)) {
    throw EArchiveUpdate(path_ + " was changed by another program during the run");
  }
  // The copy is renamed over the map, which needs no write access to the map
  // itself; a map that may not be written is refused here instead.
  if (!(original.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) || ::access(map_path.c_str(), W_OK) != 0) {
    throw EArchiveUpdate(path_ + " is read-only");
  }
  return original;
}

void MapArchive::WriteCopy(const std::string& copy, const std::string& parsed_path, std::uint64_t size) const {
  const ArchiveSearch search = SearchArchiveHeader(copy);
  if (!search.refusal.empty() || ImplausibleMpqTables(copy))
    throw EArchiveUpdate("cannot open " + path_ + " as an archive");
  const std::string first_format = search.format_version == 0 ? "1" : "0";
  // Writing takes longer than reading: compaction rewrites the whole archive.
  RunArchiveTask(kWriteScriptTask,
                 {copy, parsed_path, path_, std::to_string(static_cast<int>(fail_at_)), first_format},
                 2 * WorkLimit(size));
}

void MapArchive::ReplaceMap(const std::string& copy, const std::string& map_path, const struct stat& original) const {
  // The rename is the commit: nothing may fail after it.
  if (fail_at_ == InsertStep::kReplace) throw EArchiveUpdate("cannot replace " + path_ + " (injected failure)");
  // Keeping the owner can fail for an ordinary user, who owns the map anyway.
  if (::chown(copy.c_str(), original.st_uid, original.st_gid) != 0) errno = 0;
  if (::chmod(copy.c_str(), original.st_mode & 07777) != 0 || ::rename(copy.c_str(), map_path.c_str()) != 0)
    throw EArchiveUpdate("cannot replace " + path_ + SystemReason());
}

void MapArchive::InsertScript(const std::string& parsed_path) {
  // The worker reads the script; one that cannot be read fails the update
  // there, before anything replaces the map.
  const std::string map_path = RealPathOf(path_);
  const struct stat original = CheckMapMayBeReplaced(map_path);
  if (fail_at_ == InsertStep::kCopy) throw EArchiveUpdate("cannot create a temporary copy (injected failure)");
  TemporaryCopy copy(map_path);
  WriteCopy(copy.path(), parsed_path, static_cast<std::uint64_t>(original.st_size));
  ReplaceMap(copy.path(), map_path, original);
  copy.Keep();
  SyncFolderOf(map_path);
}

}  // namespace zarn
