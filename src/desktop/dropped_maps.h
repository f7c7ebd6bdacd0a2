// Maps dropped on a desktop program, or opened with it from a file manager:
// each map is run in turn as a --map run runs it, with its own progress and,
// where needed, errors window, and one closing message tells the user what
// became of every map.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/pipeline.h"
#include "desktop/desktop_run.h"

namespace zarn {

// What became of one dropped map.
enum class DroppedMapResult {
  kFullyChecked,  // translated; grammar, names and types checked
  kGrammarOnly,   // translated; names and types not checked
  kVjass,         // translated; a vJass script, the JASS 2 check skipped
  kUnchanged,     // left as it was: its script has errors (they were listed)
  kRefused,       // not run through: the map or the environment refused it
};

struct DroppedMapOutcome {
  std::string map_path;
  DroppedMapResult result = DroppedMapResult::kRefused;
  // kRefused: why, in the words of the error that ended the run.
  std::string reason;
  // The working folder of the run, where common.j and Blizzard.j belong.
  std::string working_dir;
  // Further lines about this map's run, shown under its line.
  std::vector<std::string> notes;
  // How many files the map's //!import lines pasted into its script.
  std::size_t imported_files = 0;
  // kFullyChecked: the API checked against, "the 1.32 API (the map's
  // version)".
  std::string api;
};

// The result of a run that ended with `exit_code` and `facts`.
DroppedMapResult ResultOfRun(int exit_code, const MapRunFacts& facts);

// The closing message: a line for each map, naming the API its check used,
// and its notes under it.
std::string DroppedMapsMessage(const std::vector<DroppedMapOutcome>& outcomes);

// 0 when every map was translated, 1 otherwise.
int DroppedMapsExitCode(const std::vector<DroppedMapOutcome>& outcomes);

// Runs every map, in the order given, with the working files in `tool_dir`
// (empty: the platform's working folder), then shows the closing message in
// a message box (the error icon when a map was not translated); returns
// DroppedMapsExitCode of the outcomes.
int RunDroppedMaps(const std::vector<std::string>& maps, DesktopWindows& windows, const std::string& tool_dir = "");

}  // namespace zarn
