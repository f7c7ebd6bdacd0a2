// zarn-cli: the console front end for terminals and build pipelines.
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "check/jass_checker.h"
#include "pipeline.h"
#include "platform/platform.h"
#include "result_check.h"
#include "text/script.h"

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  zarn-cli --map PATH [--delete] [--no-check]   preprocess the script inside a map archive\n"
    "  zarn-cli --script IN [--out OUT] [--no-check] preprocess a plain script file\n"
    "  zarn-cli --check FILE                         check a plain JASS 2 file, unchanged\n"
    "  zarn-cli --help | --version\n"
    "\n"
    "--map: PATH must contain \"w3m\", \"w3x\" or \"mpq\". The script is extracted to\n"
    "war3map.j in the working folder, processed into war3map_parsed.j there and,\n"
    "when no error markers are found, written back into the archive; --delete\n"
    "removes both working files afterwards.\n"
    "\n"
    "--script: writes the processed script to OUT, or to standard output.\n"
    "The processed script is checked as JASS 2; each problem is listed like an error\n"
    "marker and the map stays unchanged. --no-check skips that check.\n"
    "--check: lists each problem as FILE:LINE:COLUMN: error: message.\n"
    "\n"
    "Working folder: the folder of this program when this user can write there,\n"
    "otherwise $XDG_STATE_HOME/zarn (by default ~/.local/state/zarn), created on\n"
    "first use. Runs that share it take turns through the file zarn.lock there.\n"
    "\n"
    "Exit codes: 0 clean, 1 error markers or JASS 2 problems found or the run\n"
    "failed, 2 bad usage or unreadable/unwritable script file.\n";

// One updating progress line on a terminal, nothing otherwise.
class ConsoleProgress : public zarn::ProgressReporter {
 public:
  ConsoleProgress() : enabled_(isatty(STDERR_FILENO) == 1) {}
  ~ConsoleProgress() override { Finish(); }

  void SetProgress(std::string_view text, int value) override {
    status_ = std::string(text);
    value_ = value > 100 ? 100 : value;
    Draw();
  }
  void SetFunctionName(std::string_view name, bool pump) override {
    name_ = std::string(name);
    if (pump) Draw();
  }
  void Note(std::string_view text) override {
    Finish();
    std::cerr << text << "\n";
  }
  void Finish() {
    if (enabled_ && drawn_) std::fputs("\r\033[K", stderr);
    drawn_ = false;
  }

 private:
  void Draw() {
    if (!enabled_) return;
    std::string line = "[";
    line += std::to_string(value_);
    line += "%] ";
    line += status_;
    if (!name_.empty()) line += " " + name_;
    if (line.size() > 78) line.resize(78);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    drawn_ = true;
  }

  bool enabled_;
  bool drawn_ = false;
  std::string status_, name_;
  int value_ = 0;
};

void PrintEntries(const zarn::ErrorReport& report) {
  for (const std::string& entry : report.entries) std::cerr << entry << "\n";
  std::cerr << zarn::ErrorCaption(report.marker_count) << "\n";
}

class ConsoleErrors : public zarn::ErrorPresenter {
 public:
  explicit ConsoleErrors(ConsoleProgress& progress) : progress_(progress) {}
  void PresentErrors(const zarn::ErrorReport& report) override {
    progress_.Finish();
    PrintEntries(report);
  }

 private:
  ConsoleProgress& progress_;
};

int Usage(std::FILE* out, int code) {
  std::fputs(kUsage, out);
  return code;
}

int RunMap(const std::vector<std::string>& args, bool check) {
  zarn::MapRunOptions options;
  options.map_path = args[1];
  options.delete_working_files = args.size() > 2 && args[2] == "--delete";
  options.check_result = check;
  ConsoleProgress progress;
  ConsoleErrors errors(progress);
  try {
    options.tool_dir = zarn::WorkingDir();
    int code = zarn::RunPipeline(options, progress, errors);
    progress.Finish();
    return code;
  } catch (const std::exception& e) {
    progress.Finish();
    std::cerr << e.what() << "\n";
    return 1;
  }
}

// Reads a script file named on the command line; false after saying why not.
bool ReadInput(const std::string& path, std::string& bytes) {
  try {
    bytes = zarn::ReadFileBytes(path);
    return true;
  } catch (const zarn::FileError& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
}

int RunScript(const std::string& in, const std::string* out, bool check) {
  std::string bytes;
  if (!ReadInput(in, bytes)) return 2;
  ConsoleProgress progress;
  zarn::Run run(progress);
  zarn::ErrorReport report;
  try {
    zarn::BuildLanguageTables(run);
    run.raw = std::move(bytes);
    zarn::PreprocessScript(run);
    report = zarn::ScanResultForMarkers(run);
    if (report.marker_count == 0 && check) report = zarn::CheckResultScript(run.text, progress);
  } catch (const std::exception& e) {
    progress.Finish();
    std::cerr << e.what() << "\n";
    return 1;
  }
  progress.Finish();
  const std::string& result = run.text;
  if (out) {
    try {
      zarn::WriteFileBytes(*out, result);
    } catch (const zarn::FileError& e) {
      std::cerr << e.what() << "\n";
      return 2;
    }
  } else if (std::fwrite(result.data(), 1, result.size(), stdout) != result.size() ||
             std::fflush(stdout) != 0) {
    std::cerr << "Cannot write the processed script to standard output\n";
    return 2;
  }
  if (report.marker_count == 0) return 0;
  PrintEntries(report);
  return 1;
}

// --check: problems in the compiler style that editors read.
int CheckFile(const std::string& path) {
  std::string bytes;
  if (!ReadInput(path, bytes)) return 2;
  const zarn::JassCheckResult result = zarn::CheckJass(bytes);
  if (result.vjass)
    std::cerr << path << ": note: the file holds vJass; the JASS 2 grammar check was skipped, "
                         "only literals and block balance were checked\n";
  std::string out;
  for (const zarn::JassProblem& problem : result.problems)
    out += path + ":" + std::to_string(problem.line) + ":" + std::to_string(problem.column) +
           ": error: " + problem.message + "\n";
  std::fwrite(out.data(), 1, out.size(), stderr);
  return result.problems.empty() ? 0 : 1;
}

// Takes "--no-check" out of a --map or --script command line; true when it
// was not there.
bool TakeCheckOption(std::vector<std::string>& args) {
  if (args.empty() || (args[0] != "--map" && args[0] != "--script")) return true;
  const std::size_t before = args.size();
  std::erase(args, std::string("--no-check"));
  return args.size() == before;
}

}  // namespace

int main(int argc, char** argv) {
  // A full disk or a file size limit must show up as a failed write with its
  // message, not end the process halfway.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  zarn::TuneMemoryAllocator();
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--help") return Usage(stdout, 0);
  if (args.size() == 2 && args[0] == "--check") return CheckFile(args[1]);
  const bool check = TakeCheckOption(args);
  if (args.size() == 1 && args[0] == "--version") {
    std::puts(ZARN_VERSION);
    return 0;
  }
  if (!args.empty() && args[0] == "--map" && args.size() >= 2 && args.size() <= 3 &&
      zarn::PassesArchiveTest(args[1]) && (args.size() == 2 || args[2] == "--delete")) {
    return RunMap(args, check);
  }
  if (!args.empty() && args[0] == "--script") {
    if (args.size() == 2) return RunScript(args[1], nullptr, check);
    if (args.size() == 4 && args[2] == "--out") return RunScript(args[1], &args[3], check);
  }
  if (!args.empty() && args[0] == "--map" && args.size() >= 2 && !zarn::PassesArchiveTest(args[1])) {
    std::cerr << "zarn-cli: the map path must contain \"w3m\", \"w3x\" or \"mpq\": " << args[1] << "\n";
  }
  return Usage(stderr, 2);
}
