#include "platform/processes.h"

#include <malloc.h>
#include <spawn.h>
#include <unistd.h>

#include <csignal>

extern char** environ;

namespace zarn {

std::vector<std::string> ProgramArguments(int argc, char** argv) { return {argv, argv + argc}; }

void PrepareConsole() {
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool StartProcess(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  return posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) == 0;
}

void TuneMemoryAllocator() {
#ifdef M_MMAP_THRESHOLD
  mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
#endif
}

bool OpenUrl(const std::string& url) { return StartProcess("xdg-open", {url}); }

std::string_view ExecutableSignature() {
  return "\x7f"
         "ELF";
}

}  // namespace zarn
