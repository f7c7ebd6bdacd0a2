// zarn-cli's command line: options in any order, each value after its
// option, "-" for standard input or output.
#pragma once

#include <string>
#include <vector>

namespace zarn::cli {

enum class Mode { kHelp, kVersion, kMap, kScript, kCheck, kLsp };

struct Options {
  Mode mode = Mode::kHelp;
  std::string map;                 // --map
  std::string script;              // --script; "-" is standard input
  std::string out;                 // --out; empty: standard output
  std::vector<std::string> files;  // --check; "-" is standard input
  std::string api_dir;             // --api; empty: look in the working folder
  std::string patch;               // --patch: a built-in table by version
  bool no_api = false;             // --no-api: the grammar check only
  bool delete_working_files = false;
  bool check = true;  // false with --no-check
  bool strict = false;
  bool words = false;                     // --words: keywords only as whole words
  std::vector<std::string> import_paths;  // --import-path, each time given
};

struct ParseResult {
  Options options;
  // Empty when the command line is good; otherwise what is wrong with it.
  std::string error;
  // The error is an option this program does not know: say only how to get
  // help, not the whole usage.
  bool unknown_option = false;
};

ParseResult ParseOptions(const std::vector<std::string>& args);

}  // namespace zarn::cli
