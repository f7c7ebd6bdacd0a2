#include "core/run_choice.h"

#include "core/pipeline.h"

namespace zarn {

RunChoice ChooseRun(const std::vector<std::string>& args) {
  RunChoice choice;
  if (!args.empty() && args[0] == "--map" && args.size() >= 2 && PassesArchiveTest(args[1])) {
    choice.kind = RunKind::kProcessMap;
    choice.map_path = args[1];
    choice.delete_working_files = args.size() >= 3 && args[2] == "--delete";
  } else if (!args.empty() && args[0] == "--update") {
    choice.kind = RunKind::kUpdate;
  }
  return choice;
}

}  // namespace zarn
