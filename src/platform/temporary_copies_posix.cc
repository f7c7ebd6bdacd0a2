// POSIX: the lock is flock on an open descriptor, which the worker a run
// forks shares and which ends with the process, however it ends.
#include "platform/temporary_copies.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zarn {

namespace {

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Opens and locks the regular file `path` names, without following a
// symbolic link; -1 when it cannot, or when the name has moved on to another
// file meanwhile.
int OpenLocked(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat held {
  }, named{};
  if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
      ::lstat(path.c_str(), &named) != 0 || !SameFile(held, named)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

CopyLock::~CopyLock() { Release(); }

bool CopyLock::KeepsWritersOut() { return false; }

bool CopyLock::Take(const std::string& path) {
  Release();
  const int fd = OpenLocked(path);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

void CopyLock::Release() {
  if (handle_ != -1) ::close(static_cast<int>(handle_));
  handle_ = -1;
}

std::vector<std::string> FileNamesIn(const std::string& dir) {
  std::vector<std::string> names;
  DIR* folder = ::opendir(dir.c_str());
  if (!folder) return names;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(folder);
  return names;
}

bool RemoveUnheldCopy(const std::string& path) {
  // Removed while locked here, so no run can take the file up meanwhile.
  const int fd = OpenLocked(path);
  if (fd < 0) return false;
  const bool removed = ::unlink(path.c_str()) == 0;
  ::close(fd);
  return removed;
}

bool SyncFileToDisk(const std::string& path, std::string& reason) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const bool ok = fd >= 0 && ::fsync(fd) == 0;
  if (!ok) reason = std::strerror(errno);
  if (fd >= 0) ::close(fd);
  return ok;
}

}  // namespace zarn
