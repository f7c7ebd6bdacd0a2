#include "platform.h"

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <system_error>

#include "errors.h"

extern char** environ;

namespace zarn {

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<std::size_t>(n));
}

std::string ExecutableDir() {
  std::string path = ExecutablePath();
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string PathJoin(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

bool StartProcess(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  return posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) == 0;
}

void CheckWorkingFileTarget(const std::string& path, const std::string& keep) {
  struct stat st {}, kept {};
  if (lstat(path.c_str(), &st) != 0) return;  // not there yet: created as a plain file
  if (S_ISLNK(st.st_mode)) throw FileError("Cannot write file " + path + ": it is a symbolic link");
  if (stat(keep.c_str(), &kept) == 0 && st.st_dev == kept.st_dev && st.st_ino == kept.st_ino)
    throw FileError("Cannot write file " + path + ": it is the map itself");
}

void TuneMemoryAllocator() {
#ifdef M_MMAP_THRESHOLD
  mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
#endif
}

FileLock::FileLock(const std::string& path) {
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd_ < 0) throw FileError("Cannot write file " + path + ": " + std::strerror(errno));
}

FileLock::~FileLock() {
  if (fd_ >= 0) close(fd_);  // closing releases the lock
}

bool FileLock::TryLock() { return flock(fd_, LOCK_EX | LOCK_NB) == 0; }

void FileLock::Lock() {
  while (flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) throw FileError(std::string("Cannot lock the working files: ") + std::strerror(errno));
  }
}

bool OpenUrl(const std::string& url) { return StartProcess("xdg-open", {url}); }

}  // namespace zarn
