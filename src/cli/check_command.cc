#include "cli/check_command.h"

#include <cstdio>
#include <iostream>
#include <iterator>
#include <optional>
#include <vector>

#include "check/jass_api.h"
#include "check/jass_checker.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "result_check.h"

namespace zarn::cli {

namespace {

// The note of a check without the API, on standard error; a check shows no
// progress.
class NoteToStandardError : public ProgressReporter {
 public:
  void SetProgress(std::string_view, int) override {}
  void SetFunctionName(std::string_view, bool) override {}
  void Note(std::string_view text) override { std::cerr << text << "\n"; }
};

void PrintProblems(const std::vector<zarn::JassProblem>& problems, const std::vector<zarn::JassSource>& sources) {
  std::string out;
  for (const zarn::JassProblem& problem : problems)
    out += sources[problem.source].name + ":" + std::to_string(problem.line) + ":" +
           std::to_string(problem.column) + ": error: " + problem.message + "\n";
  std::fwrite(out.data(), 1, out.size(), stderr);
}

// The grammar check of each file on its own, when the API is not there.
zarn::JassCheckResult CheckGrammarOnly(const std::vector<zarn::JassSource>& sources) {
  zarn::JassCheckResult all;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    zarn::JassCheckResult result = zarn::CheckJass(sources[i].text);
    all.vjass |= result.vjass;
    for (zarn::JassProblem& problem : result.problems) {
      problem.source = i;
      all.problems.push_back(std::move(problem));
    }
  }
  return all;
}

}  // namespace

bool ApiDirUsable(const std::string& dir) {
  if (dir.empty() || zarn::JassApi::FoundIn(dir)) return true;
  std::cerr << "zarn-cli: " << zarn::JassApi::kCommonName << " and " << zarn::JassApi::kBlizzardName
            << " not found in " << dir << "\n";
  return false;
}

bool ReadInput(const std::string& path, std::string& bytes) {
  if (path == "-") {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    if (!std::cin.bad()) return true;
    std::cerr << "Cannot read standard input\n";
    return false;
  }
  try {
    bytes = zarn::ReadFileBytes(path);
    return true;
  } catch (const zarn::FileError& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
}

std::string ApiLookupDir() {
  try {
    return zarn::WorkingDir();
  } catch (const zarn::FileError&) {
    return "";
  }
}

int CheckFiles(const Options& cli) {
  std::vector<std::string> texts(cli.files.size());
  std::vector<zarn::JassSource> sources;
  for (std::size_t i = 0; i < cli.files.size(); ++i) {
    if (!ReadInput(cli.files[i], texts[i])) return 2;
    sources.push_back({cli.files[i], texts[i]});
  }
  std::optional<zarn::JassApi> api;
  NoteToStandardError progress;
  try {
    if (!cli.strict || !cli.api_dir.empty()) api = zarn::FindJassApi(cli.api_dir, ApiLookupDir(), progress);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 2;
  }
  const bool full = api || cli.strict;
  const zarn::JassCheckResult result = full ? zarn::CheckJassProgram(sources, api ? &*api : nullptr)
                                            : CheckGrammarOnly(sources);
  if (result.vjass)
    std::cerr << "zarn-cli: note: vJass found; for those files the JASS 2 check was skipped, "
                 "only literals and block balance were checked\n";
  if (api) PrintProblems(api->problems(), api->sources());
  PrintProblems(result.problems, sources);
  return result.problems.empty() && (!api || api->problems().empty()) ? 0 : 1;
}


}  // namespace zarn::cli
