// Helpers for tests that run the built programs.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "text/script.h"

namespace zarn::testing_util {

struct ProcessResult {
  int exit_code = -1;
  std::string out, err;
};

// Runs a shell command line with standard output and error captured.
inline ProcessResult RunCommand(const std::string& command, const std::string& scratch_dir) {
  std::string out = scratch_dir + "/stdout.txt", err = scratch_dir + "/stderr.txt";
  int status = std::system((command + " >" + out + " 2>" + err + " </dev/null").c_str());
  ProcessResult r;
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadFileBytes(out);
  r.err = ReadFileBytes(err);
  return r;
}

// A fresh folder under the test temp dir, removed with the object.
class TempDir {
 public:
  TempDir() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/zarn-test-XXXXXX";
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Copies a built program into `dir` so its working files go there.
inline std::string CopyProgram(const std::string& name, const std::string& dir) {
  std::string target = dir + "/" + name;
  std::filesystem::copy_file(std::string(ZARN_BINARY_DIR) + "/" + name, target,
                             std::filesystem::copy_options::overwrite_existing);
  return target;
}

inline std::string Quote(const std::string& s) { return "'" + s + "'"; }

// The console program as built, run where it lies.
inline const std::string kBuiltCli = std::string(ZARN_BINARY_DIR) + "/zarn-cli";

// Prefixes a command line so that it runs as an unprivileged user: as the
// user nobody when the tests run as root, as they do in CI; as is otherwise.
inline std::string AsUnprivilegedUser(const std::string& command) {
  if (geteuid() != 0) return command;
  return "setpriv --reuid=65534 --regid=65534 --clear-groups " + command;
}

}  // namespace zarn::testing_util
