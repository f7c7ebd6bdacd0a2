// A desktop program's run: the command line's choice performed with the
// windows a toolkit provides, and what follows a clean run, a marked script
// and a refused map.
#pragma once

#include <functional>
#include <string>

#include "core/report.h"
#include "core/run_choice.h"

namespace zarn {

// Runs the map run with a progress reporter and an error presenter.
using MapRun = std::function<int(ProgressReporter& progress, ErrorPresenter& errors)>;

// The windows of one toolkit.
class DesktopWindows {
 public:
  virtual ~DesktopWindows() = default;
  // Shows the progress window and calls `run` with it and with an errors
  // window that hides it before it comes up; the run's exit code.
  virtual int WithRunWindows(const MapRun& run) = 0;
  // Shows the About window modally.
  virtual void ShowAbout() = 0;
  // A modal message box captioned "ZARN"; `error` adds the error icon.
  virtual void ShowMessage(const std::string& text, bool error) = 0;
};

// Performs the chosen run: 0 after a clean run (the map updated), the About
// window or an update run whatever its outcome; 1 after a marked or broken
// script (its entries presented, the map unchanged) and after an error that
// ended the run (a refused map, a file that cannot be written), which is
// shown in an error box. Maps given alone end with one message about all of
// them (RunDroppedMaps).
int PerformRun(const RunChoice& choice, DesktopWindows& windows);

}  // namespace zarn
