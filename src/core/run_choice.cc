#include "core/run_choice.h"

#include "core/pipeline.h"

namespace zarn {

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
  }
  return choice;
}

}  // namespace zarn
