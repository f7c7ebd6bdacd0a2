// zarn-cli: the console front end for terminals and build pipelines.

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "core/api_choice.h"
#include "core/check_run.h"
#include "core/pipeline.h"
#include "core/result_check.h"
#include "core/script_run.h"
#include "lsp/server.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/isolated_process.h"
#include "platform/processes.h"
#include "platform/real_paths.h"
#include "platform/stop_request.h"

// The text of --help, from usage.txt.
extern const char k_usage_data[];

namespace {

// FILE:LINE:COLUMN: error: MESSAGE, the user's own place, lines and columns
// from 1.
std::string EntryText(const zarn::ErrorEntry& entry) {
  return entry.place.file + ":" + std::to_string(entry.place.line) + ":" + std::to_string(entry.place.column) +
         ": error: " + entry.message;
}

// Standard error as a run's console: one updating progress line on a
// terminal (nothing otherwise), notes, and the entries found, with their
// caption after a run and alone after a check.
class Console : public zarn::ProgressReporter, public zarn::ErrorPresenter {
 public:
  explicit Console(bool caption) : enabled_(zarn::StandardErrorIsTerminal()), caption_(caption) {}
  ~Console() override { Finish(); }

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
  void PresentErrors(const zarn::ErrorReport& report) override {
    Finish();
    std::string out;
    for (const zarn::ErrorEntry& entry : report.entries) out += EntryText(entry) + "\n";
    if (caption_) out += zarn::ErrorCaption(report.marker_count) + "\n";
    if (!report.checked_against.empty()) out += report.checked_against + "\n";
    if (!report.advice.empty()) out += report.advice + "\n";
    if (!report.hint.empty()) out += report.hint + "\n";
    std::fwrite(out.data(), 1, out.size(), stderr);
  }
  void Finish() {
    if (enabled_ && drawn_) std::fputs("\r\033[K", stderr);
    drawn_ = false;
  }

 private:
  void Draw() {
    if (!enabled_) return;
    std::string line = "[" + std::to_string(value_) + "%] " + status_;
    if (!name_.empty()) line += " " + name_;
    if (line.size() > 78) line.resize(78);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    drawn_ = true;
  }

  bool enabled_, caption_;
  bool drawn_ = false;
  std::string status_, name_;
  int value_ = 0;
};

int Usage(std::FILE* out, int code) {
  std::fputs(k_usage_data, out);
  return code;
}

// Reads a script file named on the command line ("-": standard input);
// false after saying why not.
bool ReadInput(const std::string& path, std::string& bytes) {
  try {
    if (path != "-")
      bytes = zarn::ReadFileBytes(path);
    else if (!zarn::ReadStandardInput(bytes))
      throw zarn::FileError("Cannot read standard input");
    return true;
  } catch (const zarn::FileError& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
}

// The folder a script file's imports are taken from: its own; for standard
// input, the current one.
std::string ImportFolderOf(const std::string& path) { return path == "-" ? "." : zarn::FolderHolding(path); }

// Writes the processed script to `out` ("-" or empty: standard output);
// false after saying why not.
bool WriteOutput(const std::string& out, std::string_view result) {
  try {
    if (!out.empty() && out != "-")
      zarn::WriteFileBytes(out, result);
    else if (!zarn::WriteStandardOutput(result))
      throw zarn::FileError("Cannot write the processed script to standard output");
    return true;
  } catch (const zarn::FileError& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
}

// Calls a run with a progress line and a presenter of its entries; an error
// that ends it is printed and gives `failed`.
template <class Run>
int Perform(bool caption, int failed, Run&& run) {
  Console console(caption);
  try {
    return run(console);
  } catch (const std::exception& e) {
    console.Finish();
    std::cerr << e.what() << "\n";
    return failed;
  }
}

int RunMap(const zarn::cli::Options& cli) {
  zarn::MapRunOptions options;
  options.map_path = cli.map;
  options.delete_working_files = cli.delete_working_files;
  options.check_result = cli.check;
  options.api_dir = cli.api_dir;
  options.patch = cli.patch;
  options.no_api = cli.no_api;
  options.words = cli.words;
  options.import_paths = cli.import_paths;
  return Perform(true, 1, [&](Console& console) { return zarn::RunPipeline(options, console, console); });
}

int RunScript(const zarn::cli::Options& cli) {
  zarn::ScriptRunOptions options;
  if (!ReadInput(cli.script, options.script)) return 2;
  options.sources = zarn::SourceMap::OneFile(cli.script);
  options.check_result = cli.check;
  options.api_dir = cli.api_dir;
  options.patch = cli.patch;
  options.no_api = cli.no_api;
  options.words = cli.words;
  options.imports = {cli.script, cli.script == "-" ? "" : cli.script, ImportFolderOf(cli.script), cli.import_paths};
  // Standard input cannot be read twice: a copy is kept for the hint.
  const std::string input_copy = cli.script == "-" && !cli.words ? options.script : std::string();
  options.read_again = [&] {
    std::string bytes = input_copy;
    if (cli.script != "-") ReadInput(cli.script, bytes);
    return bytes;
  };
  return Perform(true, 1, [&](Console& console) {
    const zarn::ScriptWriter write = [&](std::string_view result) {
      console.Finish();
      return WriteOutput(cli.out, result);
    };
    return zarn::RunScript(std::move(options), write, console, console);
  });
}

int RunCheck(const zarn::cli::Options& cli) {
  zarn::CheckRunOptions options{{}, cli.api_dir, cli.strict, cli.import_paths, cli.patch, cli.no_api};
  for (const std::string& file : cli.files) {
    options.files.push_back({file, "", file == "-" ? "" : file, ImportFolderOf(file), file != "-"});
    if (file == "-" && !ReadInput(file, options.files.back().text)) return 2;
  }
  // An API folder whose files cannot be read: a bad command line.
  return Perform(false, 2, [&](Console& console) { return zarn::RunCheck(options, console, console); });
}

// Standard input and output as the language server's streams.
class StandardInput : public zarn::lsp::ByteSource {
 public:
  std::size_t Read(char* buffer, std::size_t size) override { return zarn::ReadStandardInputSome(buffer, size); }
};

class StandardOutput : public zarn::lsp::ByteSink {
 public:
  bool Write(std::string_view bytes) override { return zarn::WriteStandardOutput(bytes); }
};

int RunLsp(const zarn::cli::Options& cli) {
  zarn::lsp::WorkspaceOptions options;
  if (!cli.api_dir.empty()) options.api_dir = zarn::AbsolutePath(cli.api_dir);
  options.patch = cli.patch;
  options.no_api = cli.no_api;
  options.words = cli.words;
  for (const std::string& folder : cli.import_paths) options.import_paths.push_back(zarn::AbsolutePath(folder));
  StandardInput in;
  StandardOutput out;
  return zarn::lsp::Serve(in, out, options);
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
  using zarn::cli::Mode;
  if (cli.mode == Mode::kHelp) return Usage(stdout, 0);
  if (cli.mode == Mode::kVersion) {
    std::puts(ZARN_VERSION);
    return 0;
  }
  if (cli.mode == Mode::kMap && !zarn::PassesArchiveTest(cli.map)) {
    std::cerr << "zarn-cli: the map path must contain \"w3m\", \"w3x\" or \"mpq\": " << cli.map << "\n";
    return Usage(stderr, 2);
  }
  for (const std::string& folder : cli.import_paths) {
    if (!zarn::IsFolder(folder)) {
      if (zarn::RealPath(folder))
        std::cerr << "zarn-cli: the --import-path " << folder << " is not a folder\n";
      else
        std::cerr << "zarn-cli: the --import-path folder does not exist: " << folder << "\n";
      return 2;
    }
  }
  // A --api folder without the two files is a bad command line.
  if (std::string why; !zarn::ApiDirUsable(cli.api_dir, why)) {
    std::cerr << "zarn-cli: " << why << "\n";
    return 2;
  }
  if (!cli.patch.empty() && zarn::PatchOfRequest(cli.patch).empty()) {
    std::cerr << "zarn-cli: no built-in API for patch '" << cli.patch << "'; the tables are 1.24 to 2.0\n";
    return 2;
  }
  if (cli.mode == Mode::kLsp) return RunLsp(cli);
  if (cli.mode == Mode::kMap) return RunMap(cli);
  return cli.mode == Mode::kScript ? RunScript(cli) : RunCheck(cli);
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
