#include "platform/platform.h"

#include <fcntl.h>
#include <malloc.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <system_error>

#include "platform/errors.h"
#include "platform/files.h"

extern char** environ;

namespace zarn {

std::vector<std::string> ProgramArguments(int argc, char** argv) { return {argv, argv + argc}; }

void PrepareConsole() {
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

std::FILE* OpenStdioFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

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

bool CanCreateFileIn(const std::string& dir) {
  std::string probe = PathJoin(dir, ".zarn-probe-XXXXXX");
  int fd = mkstemp(probe.data());
  if (fd < 0) return false;
  close(fd);
  unlink(probe.c_str());
  return true;
}

bool CanReplaceFile(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  struct stat file {}, folder {};
  if (stat(path.c_str(), &file) != 0 || stat(dir.c_str(), &folder) != 0) return false;
  if (!CanCreateFileIn(dir)) return false;
  if (!(folder.st_mode & S_ISVTX)) return true;
  const uid_t user = geteuid();
  return user == 0 || file.st_uid == user || folder.st_uid == user;
}

std::string UserStateDir() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return PathJoin(state, "zarn");
  std::string home;
  if (const char* env = std::getenv("HOME"); env && env[0] == '/') {
    home = env;
  } else if (const passwd* user = getpwuid(getuid()); user && user->pw_dir && user->pw_dir[0] == '/') {
    home = user->pw_dir;
  } else {
    throw FileError("Cannot find a working folder: the program's folder cannot be written and there is no home folder");
  }
  return PathJoin(home, ".local/state/zarn");
}

namespace {

// Creates `dir` and its missing parents, each with mode 0700.
void CreateFolders(const std::string& dir) {
  auto fail = [&](int error) {
    throw FileError("Cannot create the working folder " + dir + ": " + std::strerror(error));
  };
  for (std::size_t end = dir.find('/', 1);; end = dir.find('/', end + 1)) {
    std::string part = dir.substr(0, end);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) fail(errno);
    if (end == std::string::npos) break;
  }
  struct stat st {};
  if (stat(dir.c_str(), &st) != 0) fail(errno);
  if (!S_ISDIR(st.st_mode)) fail(ENOTDIR);
}

}  // namespace

std::string WorkingDir() { return WorkingDirFor(ExecutableDir()); }

std::string WorkingDirFor(const std::string& program_dir) {
  if (CanCreateFileIn(program_dir)) return program_dir;
  std::string state = UserStateDir();
  CreateFolders(state);
  return state;
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

bool OpenUrl(const std::string& url) { return StartProcess("xdg-open", {url}); }

}  // namespace zarn
