// zarn-cli: the console front end for terminals and build pipelines.

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "check/jass_api.h"
#include "check/jass_checker.h"
#include "cli/check_command.h"
#include "cli/options.h"
#include "pipeline.h"
#include "platform/isolated_process.h"
#include "platform/platform.h"
#include "platform/stop_request.h"
#include "result_check.h"
#include "text/script.h"

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  zarn-cli --map PATH [--delete] [--no-check] [--api DIR]\n"
    "                                   preprocess the script inside a map archive\n"
    "  zarn-cli --script IN [--out OUT] [--no-check] [--api DIR]\n"
    "                                   preprocess a plain script file\n"
    "  zarn-cli --check [--api DIR] [--strict] FILE...\n"
    "                                   check plain JASS 2 files, unchanged\n"
    "  zarn-cli --help | --version\n"
    "\n"
    "Options may come in any order. \"-\" as IN or FILE is standard input, as OUT\n"
    "standard output.\n"
    "\n"
    "--map: PATH must contain \"w3m\", \"w3x\" or \"mpq\". The script is extracted to\n"
    "war3map.j in the working folder, processed into war3map_parsed.j there and,\n"
    "when no error markers are found, written back into the archive; --delete\n"
    "removes both working files afterwards.\n"
    "\n"
    "--script: writes the processed script to OUT, or to standard output.\n"
    "The processed script is checked as JASS 2; each problem is listed like an error\n"
    "marker and the map stays unchanged. --no-check skips that check.\n"
    "--check: reads the FILEs in order as one program and lists each problem as\n"
    "FILE:LINE:COLUMN: error: message.\n"
    "\n"
    "--api DIR: the folder of the game's common.j and Blizzard.j, read before the\n"
    "script; names, types, arguments and returns are then checked too. Without it\n"
    "they are looked for in the working folder. --strict checks the FILEs alone\n"
    "in full, for self-contained files or \"common.j Blizzard.j war3map.j\".\n"
    "Without the API only the grammar is checked, and a note says so.\n"
    "\n"
    "Working folder: the folder of this program when this user can write there,\n"
    "otherwise $XDG_STATE_HOME/zarn (by default ~/.local/state/zarn), created on\n"
    "first use. Runs that share it take turns through the file zarn.lock there.\n"
    "\n"
    "Exit codes: 0 clean, 1 error markers or JASS 2 problems found or the run\n"
    "failed, 2 bad usage, an unreadable/unwritable script file or an --api\n"
    "folder without common.j and Blizzard.j.\n";

// One updating progress line on a terminal, nothing otherwise.
class ConsoleProgress : public zarn::ProgressReporter {
 public:
  ConsoleProgress() : enabled_(zarn::StandardErrorIsTerminal()) {}
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

int RunMap(const zarn::cli::Options& cli) {
  zarn::MapRunOptions options;
  options.map_path = cli.map;
  options.delete_working_files = cli.delete_working_files;
  options.check_result = cli.check;
  options.api_dir = cli.api_dir;
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

// Writes the processed script to `out` ("-" or empty: standard output);
// false after saying why not.
bool WriteOutput(const std::string& out, const std::string& result) {
  if (!out.empty() && out != "-") {
    try {
      zarn::WriteFileBytes(out, result);
      return true;
    } catch (const zarn::FileError& e) {
      std::cerr << e.what() << "\n";
      return false;
    }
  }
  if (std::fwrite(result.data(), 1, result.size(), stdout) == result.size() && std::fflush(stdout) == 0)
    return true;
  std::cerr << "Cannot write the processed script to standard output\n";
  return false;
}

// Preprocesses and checks run.raw; the report of markers or check problems.
zarn::ErrorReport ProcessScript(zarn::Run& run, const zarn::cli::Options& cli, ConsoleProgress& progress) {
  zarn::BuildLanguageTables(run);
  zarn::jass::FunctionAnnotations annotations;
  if (cli.check) annotations = zarn::ReadAnnotations(run.raw);
  zarn::PreprocessScript(run);
  zarn::ErrorReport report = zarn::ScanResultForMarkers(run);
  if (report.marker_count > 0 || !cli.check) return report;
  const std::optional<zarn::JassApi> api = zarn::FindJassApi(cli.api_dir, zarn::cli::ApiLookupDir(), progress);
  return zarn::CheckResultScript(run.text, progress, api ? &*api : nullptr, &annotations);
}

int RunScript(const zarn::cli::Options& cli) {
  std::string bytes;
  if (!zarn::cli::ReadInput(cli.script, bytes)) return 2;
  ConsoleProgress progress;
  zarn::Run run(progress);
  zarn::ErrorReport report;
  try {
    run.raw = std::move(bytes);
    report = ProcessScript(run, cli, progress);
  } catch (const std::exception& e) {
    progress.Finish();
    std::cerr << e.what() << "\n";
    return 1;
  }
  progress.Finish();
  if (!WriteOutput(cli.out, run.text)) return 2;
  if (report.marker_count == 0) return 0;
  PrintEntries(report);
  return 1;
}

int BadCommandLine(const zarn::cli::ParseResult& parsed) {
  std::cerr << "zarn-cli: " << parsed.error << "\n";
  if (parsed.unknown_option) {
    std::cerr << "Try 'zarn-cli --help'.\n";
    return 2;
  }
  return Usage(stderr, 2);
}

int Dispatch(const zarn::cli::Options& cli) {
  switch (cli.mode) {
    case zarn::cli::Mode::kHelp: return Usage(stdout, 0);
    case zarn::cli::Mode::kVersion: std::puts(ZARN_VERSION); return 0;
    case zarn::cli::Mode::kCheck: return zarn::cli::ApiDirUsable(cli.api_dir) ? zarn::cli::CheckFiles(cli) : 2;
    case zarn::cli::Mode::kScript: return zarn::cli::ApiDirUsable(cli.api_dir) ? RunScript(cli) : 2;
    case zarn::cli::Mode::kMap:
      if (!zarn::PassesArchiveTest(cli.map)) {
        std::cerr << "zarn-cli: the map path must contain \"w3m\", \"w3x\" or \"mpq\": " << cli.map << "\n";
        return Usage(stderr, 2);
      }
      return zarn::cli::ApiDirUsable(cli.api_dir) ? RunMap(cli) : 2;
  }
  return Usage(stderr, 2);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = zarn::ProgramArguments(argc, argv);
  if (std::optional<int> code = zarn::ServeIsolatedTaskIfAsked(args)) return *code;
  zarn::PrepareConsole();
  zarn::HandleStopRequests();
  zarn::TuneMemoryAllocator();
  const zarn::cli::ParseResult parsed = zarn::cli::ParseOptions(std::vector<std::string>(args.begin() + 1, args.end()));
  if (!parsed.error.empty()) return BadCommandLine(parsed);
  return Dispatch(parsed.options);
}
