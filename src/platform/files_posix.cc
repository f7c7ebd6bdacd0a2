#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/errors.h"
#include "platform/opened_files.h"

namespace zarn {

namespace {

// Runs `cleanup` without letting it change errno, which names the failure.
template <class Cleanup>
void KeepingErrno(Cleanup cleanup) {
  int saved = errno;
  cleanup();
  errno = saved;
}

bool CopyBytes(const std::string& original, int out) {
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
      if (w <= 0)
        ok = false;
      else
        done += w;
    }
    if (!ok) break;
  }
  KeepingErrno([&] { ::close(in); });
  return ok && ::fsync(out) == 0;
}

bool WriteAll(int fd, std::string_view bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace

std::FILE* OpenStdioFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

void CheckWorkingFileTarget(const std::string& path, const std::string& keep) {
  struct stat st {
  }, kept{};
  if (lstat(path.c_str(), &st) != 0) return;  // not there yet: created as a plain file
  if (S_ISLNK(st.st_mode)) throw FileError("Cannot write file " + path + ": it is a symbolic link");
  if (stat(keep.c_str(), &kept) == 0 && st.st_dev == kept.st_dev && st.st_ino == kept.st_ino)
    throw FileError("Cannot write file " + path + ": it is the map itself");
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  // O_PATH opens no file for reading, so a FIFO is not waited on.
  const int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  const std::optional<FileIdentity> id = IdentityOfHandle(fd);
  KeepingErrno([&] { ::close(fd); });
  return id;
}

std::string ResolvedPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

bool IsReadOnlyFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return !(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) || ::access(path.c_str(), W_OK) != 0;
}

bool SetReadOnly(const std::string& path, bool read_only) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  const mode_t mode = read_only ? st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH) : st.st_mode | S_IWUSR;
  return ::chmod(path.c_str(), mode & 07777) == 0;
}

std::string LastSystemReason() { return std::strerror(errno); }

namespace {

// A new file "<original>.zarn-XXXXXX.tmp", open; -1 when none could be made.
int MakeTemporaryCopy(const std::string& original, std::string& copy) {
  std::string pattern = original + ".zarn-XXXXXX.tmp";
  copy.clear();
  const int fd = mkstemps(pattern.data(), 4);
  if (fd >= 0) copy = pattern;
  return fd;
}

}  // namespace

bool CreateEmptyTemporaryCopy(const std::string& original, std::string& copy) {
  const int fd = MakeTemporaryCopy(original, copy);
  if (fd < 0) return false;
  if (::close(fd) == 0) return true;
  KeepingErrno([&] { std::remove(copy.c_str()); });
  return false;
}

bool CreateTemporaryCopy(const std::string& original, std::string& copy) {
  const int fd = MakeTemporaryCopy(original, copy);
  if (fd < 0) return false;
  bool ok = CopyBytes(original, fd);
  KeepingErrno([&] { ok = (::close(fd) == 0) && ok; });
  if (!ok) KeepingErrno([&] { std::remove(copy.c_str()); });
  return ok;
}

bool ReplaceFile(const std::string& replacement, const std::string& target) {
  struct stat original {};
  if (::stat(target.c_str(), &original) != 0) return false;
  // Keeping the owner can fail for an ordinary user, who owns the map anyway.
  if (::chown(replacement.c_str(), original.st_uid, original.st_gid) != 0) errno = 0;
  return ::chmod(replacement.c_str(), original.st_mode & 07777) == 0 &&
         ::rename(replacement.c_str(), target.c_str()) == 0;
}

void SyncFolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

ScriptFile::ScriptFile(const std::string& path, const std::optional<FileIdentity>& not_this) : path_(path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0 && errno == ELOOP) throw FileError("Cannot write file " + path + ": it is a symbolic link");
  if (fd < 0) throw FileError("Cannot write file " + path + ": " + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) == 0 && not_this && st.st_dev == not_this->device && st.st_ino == not_this->file) {
    ::close(fd);
    throw FileError("Cannot write file " + path + ": it is the map itself");
  }
  if (::ftruncate(fd, 0) != 0) {
    std::string reason = std::strerror(errno);
    ::close(fd);
    throw FileError("Cannot write file " + path + ": " + reason);
  }
  handle_ = fd;
}

ScriptFile::~ScriptFile() {
  if (handle_ != -1) ::close(static_cast<int>(handle_));
}

void ScriptFile::WriteAndClose(std::string_view bytes) {
  const int fd = static_cast<int>(handle_);
  handle_ = -1;
  bool ok = WriteAll(fd, bytes);
  KeepingErrno([&] { ok = (::close(fd) == 0) && ok; });
  if (!ok) throw FileError("Cannot write file " + path_ + ": " + std::strerror(errno));
}

std::size_t ReadStandardInputSome(char* buffer, std::size_t size) {
  while (true) {
    const ssize_t got = read(STDIN_FILENO, buffer, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) return 0;
  }
}

}  // namespace zarn
