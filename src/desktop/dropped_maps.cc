#include "desktop/dropped_maps.h"

#include <algorithm>
#include <exception>

#include "core/result_check.h"
#include "platform/paths.h"

namespace zarn {

namespace {

// The words for each result, as a desktop user reads them: no options.
std::string ResultText(const DroppedMapOutcome& outcome) {
  switch (outcome.result) {
    case DroppedMapResult::kFullyChecked:
      return outcome.api.empty() ? "translated and fully checked" : "translated, checked against " + outcome.api;
    case DroppedMapResult::kGrammarOnly: return "translated, grammar only";
    case DroppedMapResult::kVjass: return "translated, vJass script, so the JASS 2 check was skipped";
    case DroppedMapResult::kUnchanged: return "left unchanged because of errors";
    case DroppedMapResult::kRefused: return "refused: " + outcome.reason;
  }
  return "";
}

// ", 3 files imported" when the map's script imported any.
std::string ImportedText(const DroppedMapOutcome& outcome) {
  if (outcome.imported_files == 0) return "";
  return ", " + std::to_string(outcome.imported_files) + (outcome.imported_files == 1 ? " file" : " files") +
         " imported";
}

// Passes every report on to the progress window and keeps the run's notes,
// such as stale temporary copies removed beside the map, for the closing message.
class NoteKeeper : public ProgressReporter {
 public:
  NoteKeeper(ProgressReporter& shown, std::vector<std::string>& notes) : shown_(shown), notes_(notes) {}
  void SetProgress(std::string_view text, int value) override { shown_.SetProgress(text, value); }
  void SetFunctionName(std::string_view name, bool pump) override { shown_.SetFunctionName(name, pump); }
  void Note(std::string_view text) override {
    shown_.Note(text);
    notes_.emplace_back(text);
  }

 private:
  ProgressReporter& shown_;
  std::vector<std::string>& notes_;
};

// The notes the map's result line does not already tell.
std::vector<std::string> NotesBesidesResult(const std::vector<std::string>& notes) {
  std::vector<std::string> kept;
  for (const std::string& note : notes) {
    if (note != kVjassNote && note != kNoApiNote) kept.push_back(note);
  }
  return kept;
}

DroppedMapOutcome RunOneMap(const std::string& map, DesktopWindows& windows, const std::string& tool_dir) {
  DroppedMapOutcome outcome;
  outcome.map_path = map;
  MapRunOptions options;
  options.map_path = map;
  options.tool_dir = tool_dir;
  MapRunFacts facts;
  std::vector<std::string> notes;
  try {
    const int code = windows.WithRunWindows([&](ProgressReporter& progress, ErrorPresenter& errors) {
      NoteKeeper keeper(progress, notes);
      return RunPipeline(options, keeper, errors, &facts);
    });
    outcome.result = ResultOfRun(code, facts);
  } catch (const std::exception& e) {
    // The map stays as it was; the next one still runs.
    outcome.result = DroppedMapResult::kRefused;
    outcome.reason = e.what();
  }
  outcome.working_dir = facts.working_dir;
  outcome.imported_files = facts.imported_files;
  outcome.api = facts.api;
  outcome.notes = NotesBesidesResult(notes);
  return outcome;
}

}  // namespace

DroppedMapResult ResultOfRun(int exit_code, const MapRunFacts& facts) {
  if (exit_code != 0) return DroppedMapResult::kUnchanged;
  switch (facts.check) {
    case ResultCheck::kFull: return DroppedMapResult::kFullyChecked;
    case ResultCheck::kVjass: return DroppedMapResult::kVjass;
    case ResultCheck::kGrammar:
    case ResultCheck::kNone: break;  // desktop runs always check
  }
  return DroppedMapResult::kGrammarOnly;
}

std::string DroppedMapsMessage(const std::vector<DroppedMapOutcome>& outcomes) {
  std::string text;
  for (const DroppedMapOutcome& outcome : outcomes) {
    text += FileName(outcome.map_path) + ": " + ResultText(outcome) + ImportedText(outcome) + "\n";
    for (const std::string& note : outcome.notes) text += "    " + note + "\n";
  }
  if (!text.empty()) text.pop_back();  // the box ends the last line itself
  return text;
}

int DroppedMapsExitCode(const std::vector<DroppedMapOutcome>& outcomes) {
  const bool all_translated = std::all_of(outcomes.begin(), outcomes.end(), [](const DroppedMapOutcome& o) {
    return o.result != DroppedMapResult::kUnchanged && o.result != DroppedMapResult::kRefused;
  });
  return all_translated ? 0 : 1;
}

int RunDroppedMaps(const std::vector<std::string>& maps, DesktopWindows& windows, const std::string& tool_dir) {
  std::vector<DroppedMapOutcome> outcomes;
  for (const std::string& map : maps) outcomes.push_back(RunOneMap(map, windows, tool_dir));
  const int code = DroppedMapsExitCode(outcomes);
  windows.ShowMessage(DroppedMapsMessage(outcomes), code != 0);
  return code;
}

}  // namespace zarn
