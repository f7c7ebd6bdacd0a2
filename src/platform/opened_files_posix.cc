// POSIX: the handle is a file descriptor opened with O_NONBLOCK, so that
// opening a FIFO or a device never waits; what it is comes from fstat, where
// it leads from /proc/self/fd.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/errors.h"
#include "platform/opened_files.h"

namespace zarn {

namespace {

constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

bool IsMissing(int error) { return error == ENOENT || error == ENOTDIR; }

int FolderOf(const OpenedFile& folder) { return static_cast<int>(folder.handle()); }

FileIdentity IdentityFrom(const struct stat& st) {
  FileIdentity id;
  id.device = st.st_dev;
  id.file = st.st_ino;
  id.size = static_cast<unsigned long long>(st.st_size);
  id.mtime_sec = st.st_mtim.tv_sec;
  id.mtime_nsec = st.st_mtim.tv_nsec;
  return id;
}

}  // namespace

bool OpenedFile::OpenIn(const OpenedFile& folder, const std::string& name, LinkRule links, OpenFailure& failure,
                        std::string& reason, bool) {
  Close();
  const int dir = folder.is_open() ? FolderOf(folder) : AT_FDCWD;
  const int flags = kOpenFlags | (links == LinkRule::kRefuseLast ? O_NOFOLLOW : 0);
  const int fd = ::openat(dir, name.c_str(), flags);
  if (fd < 0) {
    const int error = errno;
    struct stat st {};
    if (error == ELOOP && links == LinkRule::kRefuseLast &&
        ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
      failure = OpenFailure::kLink;
    } else {
      failure = IsMissing(error) ? OpenFailure::kMissing : OpenFailure::kSystem;
    }
    reason = std::strerror(error);
    errno = error;
    return false;
  }
  handle_ = fd;
  path_ = folder.is_open() && !(name.size() > 0 && name[0] == '/') ? folder.path() + "/" + name : name;
  failure = OpenFailure::kNone;
  return true;
}

void OpenedFile::Close() {
  if (handle_ != -1) ::close(static_cast<int>(handle_));
  handle_ = -1;
}

FileKind OpenedFile::kind() const {
  struct stat st {};
  if (handle_ == -1 || ::fstat(static_cast<int>(handle_), &st) != 0) return FileKind::kOther;
  if (S_ISREG(st.st_mode)) return FileKind::kRegular;
  return S_ISDIR(st.st_mode) ? FileKind::kFolder : FileKind::kOther;
}

bool OpenedFile::ReadUpTo(std::size_t limit, std::string& bytes, const std::string& shown) {
  const int fd = static_cast<int>(handle_);
  bytes.clear();
  if (const std::optional<FileIdentity> id = Identity()) bytes.reserve(id->size < limit ? id->size : limit);
  char buffer[1 << 16];
  for (off_t at = 0;;) {
    const std::size_t room = limit - bytes.size();
    const std::size_t wanted = room < sizeof buffer ? room + 1 : sizeof buffer;
    const ssize_t got = ::pread(fd, buffer, wanted, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw FileError("Cannot read file " + shown + ": " + std::strerror(errno));
    if (got == 0) return true;
    if (static_cast<std::size_t>(got) > room) {
      bytes.append(buffer, room);
      return false;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
    at += got;
  }
}

bool OpenedFile::TryLock(bool& busy) {
  busy = false;
  if (::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) == 0) return true;
  busy = errno == EWOULDBLOCK || errno == EINTR;
  return false;
}

std::optional<FileIdentity> IdentityOfHandle(std::intptr_t handle) {
  struct stat st {};
  if (handle == -1 || ::fstat(static_cast<int>(handle), &st) != 0) return std::nullopt;
  return IdentityFrom(st);
}

std::optional<std::string> RealPathOfHandle(std::intptr_t handle) {
  if (handle == -1) return std::nullopt;
  const std::string link = "/proc/self/fd/" + std::to_string(handle);
  char target[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), target, sizeof target);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target || target[0] != '/') return std::nullopt;
  return std::string(target, static_cast<std::size_t>(n));
}

bool RenameInFolder(const OpenedFile& folder, const std::string& from, const std::string& to, OpenedFile& original) {
  const int dir = FolderOf(folder);
  struct stat kept {};
  if (::fstat(static_cast<int>(original.handle()), &kept) != 0) return false;
  // Keeping the owner can fail for an ordinary user, who owns the file anyway.
  if (::fchownat(dir, from.c_str(), kept.st_uid, kept.st_gid, AT_SYMLINK_NOFOLLOW) != 0) errno = 0;
  return ::fchmodat(dir, from.c_str(), kept.st_mode & 07777, 0) == 0 &&
         ::renameat(dir, from.c_str(), dir, to.c_str()) == 0;
}

std::optional<FileIdentity> EntryIdentity(const OpenedFile& folder, const std::string& name, bool& link) {
  struct stat st {};
  link = false;
  if (::fstatat(FolderOf(folder), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  link = S_ISLNK(st.st_mode);
  return IdentityFrom(st);
}

}  // namespace zarn
