#include "core/run_choice.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "core/pipeline.h"
#include "platform/files.h"
#include "platform/real_paths.h"

namespace zarn {

namespace {

bool EndsWithIgnoringCase(const std::string& text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  return std::equal(ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
                    [](char e, char c) { return e == (c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
}

}  // namespace

bool IsMapFile(const std::string& path) {
  return (EndsWithIgnoringCase(path, ".w3m") || EndsWithIgnoringCase(path, ".w3x") ||
          EndsWithIgnoringCase(path, ".mpq")) &&
         (IsRegularFile(path) || IsFolder(path));
}

RunChoice ChooseRun(const std::vector<std::string>& args) {
  RunChoice choice;
  if (!args.empty() && args[0] == "--map" && args.size() >= 2 && PassesArchiveTest(args[1])) {
    choice.kind = RunKind::kProcessMap;
    choice.map_path = args[1];
    // After the path: "--delete", "--words", or both in either order.
    auto at = [&](std::size_t i, const char* word) { return args.size() > i && args[i] == word; };
    choice.delete_working_files = at(2, "--delete") || (at(2, "--words") && at(3, "--delete"));
    choice.words = at(2, "--words") || (at(2, "--delete") && at(3, "--words"));
  } else if (!args.empty() && args[0] == "--update") {
    choice.kind = RunKind::kUpdate;
  } else if (!args.empty() && std::all_of(args.begin(), args.end(), IsMapFile)) {
    choice.kind = RunKind::kDroppedMaps;
    choice.map_paths = args;
  }
  return choice;
}

}  // namespace zarn
