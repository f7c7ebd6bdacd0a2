// Helpers for tests that run the built programs.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include "platform/wide_text.h"
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>

#include "text/script.h"

namespace zarn::testing_util {

struct ProcessResult {
  int exit_code = -1;
  std::string out, err;
};

// Quotes one word for the command interpreter of RunCommand.
inline std::string Quote(const std::string& s) {
#ifdef _WIN32
  return "\"" + s + "\"";
#else
  return "'" + s + "'";
#endif
}

#ifdef _WIN32
// cmd's exit code when it could not start a command's program. Wine's process
// creation fails so now and then under load: then either cmd reports this
// code, or cmd itself never starts and leaves no output file. A command that
// never started is started again, at most three times.
inline constexpr int kCommandNeverStarted = 9009;

// Why a command never started, or nothing when it did. cmd makes the error
// file before anything else, so without one cmd itself never ran.
inline std::string NeverStartedReason(int status, const std::string& err_file) {
  if (!std::filesystem::exists(err_file))
    return "cmd did not start (status " + std::to_string(status) + ": " + std::strerror(errno) + ")\n";
  if (status == kCommandNeverStarted)
    return "cmd could not start the command (exit code 9009): " + ReadFileBytes(err_file);
  return "";
}
#endif

// Runs a command line (sh on POSIX, cmd on Windows) with standard output and
// error captured.
// Standard input is `input` when given, else empty.
inline ProcessResult RunCommand(const std::string& command, const std::string& scratch_dir,
                                const std::string& input = "") {
  std::string out = scratch_dir + "/stdout.txt", err = scratch_dir + "/stderr.txt";
#ifdef _WIN32
  const std::string in = input.empty() ? "NUL" : Quote(input);
  // cmd /c drops the first and the last quote of a line that starts with one.
  // _wsystem: the command line in UTF-16, so that any file name comes through.
  const std::wstring line = WideFromUtf8("\"" + command + " >" + Quote(out) + " 2>" + Quote(err) + " <" + in + "\"");
  std::error_code no_file;
  std::filesystem::remove(err, no_file);  // made anew by cmd: none afterwards means cmd never ran
  int status = _wsystem(line.c_str());
  std::string never_started = NeverStartedReason(status, err);
  for (int retry = 1; !never_started.empty() && retry <= 3; ++retry) {
    std::cerr << "RunCommand: " << never_started << "starting it again: retry " << retry << " of 3\n";
    status = _wsystem(line.c_str());
    never_started = NeverStartedReason(status, err);
  }
  ProcessResult r;
  r.exit_code = status;
  if (!std::filesystem::exists(err)) {
    r.err = never_started;
    return r;
  }
#else
  const std::string in = input.empty() ? "/dev/null" : Quote(input);
  int status = std::system((command + " >" + out + " 2>" + err + " <" + in).c_str());
  ProcessResult r;
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  r.out = ReadFileBytes(out);
  r.err = ReadFileBytes(err);
  return r;
}

// A fresh folder under the test temp dir, removed with the object. Its paths
// are in the system's own form, as the programs print them.
class TempDir {
 public:
  TempDir() {
#ifdef _WIN32
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      std::filesystem::path candidate =
          std::filesystem::temp_directory_path() / ("zarn-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate)) path_ = candidate.lexically_normal().string();
    }
#else
    std::string pattern = std::filesystem::temp_directory_path().string() + "/zarn-test-XXXXXX";
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
#endif
  }
  ~TempDir() {
    std::error_code error;
#ifdef _WIN32
    // Read-only files cannot be removed there, and a program that just ended
    // may hold a file for a moment longer.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, error))
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, error);
    for (int attempt = 0; attempt < 40 && std::filesystem::remove_all(path_, error) == static_cast<std::uintmax_t>(-1);
         ++attempt)
      Sleep(50);
#else
    std::filesystem::remove_all(path_, error);
#endif
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + kSeparator + name; }

 private:
#ifdef _WIN32
  static constexpr const char* kSeparator = "\\";
#else
  static constexpr const char* kSeparator = "/";
#endif
  std::string path_;
};

#ifdef _WIN32
inline constexpr const char* kExeSuffix = ".exe";
#else
inline constexpr const char* kExeSuffix = "";
#endif

// A built program by its name without suffix, with the system's own path form.
inline std::string BuiltProgram(const std::string& name) {
  std::filesystem::path path = std::string(ZARN_BINARY_DIR) + "/" + name + kExeSuffix;
  return std::filesystem::absolute(path).make_preferred().string();
}

// Copies a built program into `dir` so its working files go there.
inline std::string CopyProgram(const std::string& name, const std::string& dir) {
  std::string target = dir + "/" + name + kExeSuffix;
  std::filesystem::copy_file(BuiltProgram(name), target, std::filesystem::copy_options::overwrite_existing);
  return target;
}

// The console program as built, run where it lies.
inline const std::string kBuiltCli = BuiltProgram("zarn-cli");

// How an isolated worker that aborts or faults, or cannot be started
// (IsolatedFault::kNoProcess), is named on this system.
#ifdef _WIN32
inline constexpr const char* kAbortReason = "abort, exit code 3";
inline constexpr const char* kSegfaultReason = "exception 0xC0000005, access violation";
inline constexpr const char* kNoProcessReason = "cannot start a process (error 1359)";
#else
inline constexpr const char* kAbortReason = "SIGABRT, Aborted";
inline constexpr const char* kSegfaultReason = "SIGSEGV, Segmentation fault";
inline constexpr const char* kNoProcessReason = "cannot start a process: Resource temporarily unavailable";
#endif

// Prefixes a command line so that it runs as an unprivileged user: as the
// user nobody when the tests run as root, as they do in CI; as is otherwise.
inline std::string AsUnprivilegedUser(const std::string& command) {
#ifdef _WIN32
  return command;
#else
  if (geteuid() != 0) return command;
#endif
  return "setpriv --reuid=65534 --regid=65534 --clear-groups " + command;
}

}  // namespace zarn::testing_util
