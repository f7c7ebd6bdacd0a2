#include "platform/locks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"
#include "platform/files.h"

namespace zarn {

FileLock::FileLock(const std::string& path) {
  handle_ = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (handle_ < 0) throw FileError("Cannot write file " + path + ": " + std::strerror(errno));
}

FileLock::~FileLock() {
  if (handle_ >= 0) close(static_cast<int>(handle_));  // closing releases the lock
}

bool FileLock::TryLock() { return flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) == 0; }

void FileLock::Lock() {
  while (flock(static_cast<int>(handle_), LOCK_EX) != 0) {
    if (errno != EINTR) throw FileError(std::string("Cannot lock the working files: ") + std::strerror(errno));
  }
}

MapLock::~MapLock() { Release(); }

void MapLock::Release() {
  if (handle_ != -1) ::close(static_cast<int>(handle_));  // closing releases the lock
  handle_ = -1;
}

bool MapLock::ReplaceLockedFile(const std::string& replacement, const std::string& target) {
  return ReplaceFile(replacement, target);
}

MapLock::Result MapLock::TryLock(const std::string& path) {
  Release();
  // Without O_NONBLOCK a FIFO put in the map's place would hold the run here.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Result::kUnlockable;  // opening the archive reports a missing map
  struct stat kind {};
  if (::fstat(fd, &kind) != 0 || !S_ISREG(kind.st_mode)) {
    ::close(fd);
    return Result::kUnlockable;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK || errno == EINTR;
    ::close(fd);
    return busy ? Result::kBusy : Result::kUnlockable;
  }
  struct stat held {
  }, current{};
  if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &current) == 0 && held.st_dev == current.st_dev &&
      held.st_ino == current.st_ino) {
    handle_ = fd;
    return Result::kLocked;
  }
  ::close(fd);
  return Result::kReplaced;
}

}  // namespace zarn
