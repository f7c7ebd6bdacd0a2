#include "desktop/desktop_run.h"

#include <exception>

#include "core/pipeline.h"
#include "desktop/dropped_maps.h"
#include "platform/paths.h"
#include "update/update.h"

namespace zarn {

namespace {

int ProcessMap(const RunChoice& choice, DesktopWindows& windows) {
  MapRunOptions options;
  options.map_path = choice.map_path;
  options.delete_working_files = choice.delete_working_files;
  options.words = choice.words;
  return windows.WithRunWindows(
      [&](ProgressReporter& progress, ErrorPresenter& errors) { return RunPipeline(options, progress, errors); });
}

int Update(DesktopWindows& windows) {
  // The new program is fetched beside the old one, so the swap is a rename.
  const UpdateOutcome outcome = RunUpdate(ZARN_UPDATE_URL, ExecutableDir(), ExecutablePath(), ZARN_UPDATE_PUBLIC_KEY);
  windows.ShowMessage(UpdateMessage(outcome), false);
  return 0;
}

}  // namespace

int PerformRun(const RunChoice& choice, DesktopWindows& windows) {
  try {
    switch (choice.kind) {
      case RunKind::kProcessMap: return ProcessMap(choice, windows);
      case RunKind::kUpdate: return Update(windows);
      case RunKind::kAbout: windows.ShowAbout(); return 0;
      case RunKind::kDroppedMaps: return RunDroppedMaps(choice.map_paths, windows);
    }
  } catch (const std::exception& e) {
    // Error and anything else (memory, a library failure) end the run the
    // same way rather than aborting without a word.
    windows.ShowMessage(e.what(), true);
  }
  return 1;
}

}  // namespace zarn
