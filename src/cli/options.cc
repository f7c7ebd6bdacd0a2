#include "cli/options.h"

#include <optional>

namespace zarn::cli {

namespace {

struct Parser {
  const std::vector<std::string>& args;
  ParseResult result;
  std::optional<Mode> mode;
  std::vector<std::string> operands;  // words that are no option
  std::size_t at = 0;

  bool Fail(std::string error, bool unknown = false) {
    result.error = std::move(error);
    result.unknown_option = unknown;
    return false;
  }

  bool SetMode(Mode wanted, const std::string& option) {
    if (mode && *mode != wanted) return Fail("'" + option + "' cannot be combined with the other mode given");
    mode = wanted;
    return true;
  }

  // The value after `option`; false when there is none.
  bool Value(const std::string& option, std::string& value) {
    if (at + 1 >= args.size()) return Fail("option '" + option + "' needs a value");
    value = args[++at];
    return true;
  }

  bool Option(const std::string& word) {
    Options& o = result.options;
    if (word == "--help") return SetMode(Mode::kHelp, word);
    if (word == "--version") return SetMode(Mode::kVersion, word);
    if (word == "--map") return SetMode(Mode::kMap, word) && Value(word, o.map);
    if (word == "--script") return SetMode(Mode::kScript, word) && Value(word, o.script);
    if (word == "--check") return SetMode(Mode::kCheck, word);
    if (word == "--lsp") return SetMode(Mode::kLsp, word);
    if (word == "--out") return Value(word, o.out);
    if (word == "--api") return Value(word, o.api_dir);
    if (word == "--patch") return Value(word, o.patch);
    if (word == "--import-path") return Value(word, o.import_paths.emplace_back());
    if (word == "--delete") o.delete_working_files = true;
    if (word == "--no-check") o.check = false;
    if (word == "--strict") o.strict = true;
    if (word == "--words") o.words = true;
    if (word == "--no-api") o.no_api = true;
    return true;
  }

  static bool Known(const std::string& word) {
    for (const char* option : {"--help", "--version", "--map", "--script", "--check", "--lsp", "--out", "--api",
                               "--patch", "--no-api", "--delete", "--no-check", "--strict", "--words", "--import-path"})
      if (word == option) return true;
    return false;
  }

  bool Run() {
    // An unknown option is named before anything else is judged.
    for (const std::string& word : args)
      if (word.size() > 1 && word[0] == '-' && !Known(word)) return Fail("unknown option '" + word + "'", true);
    for (; at < args.size(); ++at) {
      const std::string& word = args[at];
      if (word.size() > 1 && word[0] == '-') {
        if (!Option(word)) return false;
      } else {
        operands.push_back(word);
      }
    }
    if (!mode) return Fail("no mode given");
    return Fits();
  }

  // Each option belongs to some modes only.
  bool Fits() {
    Options& o = result.options;
    o.mode = *mode;
    const bool runs = o.mode == Mode::kMap || o.mode == Mode::kScript;
    const bool lsp = o.mode == Mode::kLsp;
    if (o.mode == Mode::kCheck) {
      if (operands.empty()) return Fail("'--check' needs a file");
      o.files = std::move(operands);
      operands.clear();
    }
    if (!operands.empty()) return Fail("unexpected argument '" + operands.front() + "'");
    if (!o.out.empty() && o.mode != Mode::kScript) return Fail("'--out' goes with '--script' only");
    if (o.delete_working_files && o.mode != Mode::kMap) return Fail("'--delete' goes with '--map' only");
    if (!o.check && !runs) return Fail("'--no-check' goes with '--map' or '--script' only");
    if (o.strict && o.mode != Mode::kCheck) return Fail("'--strict' goes with '--check' only");
    if (o.words && !runs && !lsp) return Fail("'--words' goes with '--map', '--script' or '--lsp' only");
    const bool checks = runs || lsp || o.mode == Mode::kCheck;
    if (!o.api_dir.empty() && !checks) return Fail("'--api' goes with a run, '--check' or '--lsp'");
    if (!o.patch.empty() && !checks) return Fail("'--patch' goes with a run, '--check' or '--lsp'");
    if (o.no_api && !checks) return Fail("'--no-api' goes with a run, '--check' or '--lsp'");
    if (!o.api_dir.empty() && !o.patch.empty()) return Fail("'--api' and '--patch' cannot go together");
    if (o.no_api && (!o.api_dir.empty() || !o.patch.empty()))
      return Fail("'--no-api' goes with neither '--api' nor '--patch'");
    if (!o.import_paths.empty() && !runs && !lsp && o.mode != Mode::kCheck)
      return Fail("'--import-path' goes with a run, '--check' or '--lsp'");
    return true;
  }
};

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
  Parser parser{args, {}, {}, {}, 0};
  parser.Run();
  return std::move(parser.result);
}

}  // namespace zarn::cli
