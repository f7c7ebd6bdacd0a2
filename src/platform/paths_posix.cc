#include "platform/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/errors.h"

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

std::string FileName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
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
  struct stat file {
  }, folder{};
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

}  // namespace zarn
