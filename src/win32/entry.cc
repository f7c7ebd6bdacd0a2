#include "win32/entry.h"

#include <windows.h>

#include <exception>

#include "desktop/dropped_maps.h"
#include "pipeline.h"
#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/wide_text.h"
#include "update/update.h"
#include "win32/about_window.h"
#include "win32/errors_window.h"
#include "win32/progress_window.h"

namespace zarn::win32 {

namespace {

int ProcessMap(const RunChoice& choice) {
  ProgressWindow progress;
  progress.Show();
  ErrorsWindow errors(progress.handle());
  MapRunOptions options;
  options.map_path = choice.map_path;
  options.tool_dir = WorkingDir();
  options.delete_working_files = choice.delete_working_files;
  return RunPipeline(options, progress, errors);
}

// Each dropped map gets a progress window of its own and, where needed, its
// errors window; the closing message is a plain message box.
class DroppedMapWin32Windows : public DroppedMapWindows {
 public:
  int WithRunWindows(const MapRun& run) override {
    ProgressWindow progress;
    progress.Show();
    ErrorsWindow errors(progress.handle());
    return run(progress, errors);
  }
  void ShowMessage(const std::string& text, bool error) override { win32::ShowMessage(text, error); }
};

int DropMaps(const RunChoice& choice) {
  DroppedMapWin32Windows windows;
  return RunDroppedMaps(choice.map_paths, windows);
}

int Update() {
  // The new program is fetched beside the old one, so the swap is a rename.
  const UpdateOutcome outcome =
      RunUpdate(ZARN_UPDATE_URL, ExecutableDir(), ExecutablePath(), ZARN_UPDATE_PUBLIC_KEY);
  ShowMessage(UpdateMessage(outcome), false);
  return 0;
}

int About() {
  AboutWindow about;
  about.ShowModal();
  return 0;
}

}  // namespace

void ShowMessage(const std::string& text, bool error) {
  // Messages are UTF-8 (paths, system reasons); MB_TASKMODAL: no window owns them.
  MessageBoxW(nullptr, WideFromUtf8(text).c_str(), L"ZARN",
              MB_OK | MB_TASKMODAL | (error ? MB_ICONERROR : 0));
}

int PerformRun(const RunChoice& choice) {
  try {
    switch (choice.kind) {
      case RunKind::kProcessMap: return ProcessMap(choice);
      case RunKind::kUpdate: return Update();
      case RunKind::kAbout: return About();
      case RunKind::kDroppedMaps: return DropMaps(choice);
    }
  } catch (const std::exception& e) {
    // Error and anything else (memory, a library failure) end the run the
    // same way rather than aborting without a word.
    ShowMessage(e.what(), true);
  }
  return 1;
}

}  // namespace zarn::win32
