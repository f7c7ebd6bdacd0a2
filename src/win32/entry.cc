#include "win32/entry.h"

#include <windows.h>

#include "desktop/desktop_run.h"
#include "platform/wide_text.h"
#include "win32/about_window.h"
#include "win32/errors_window.h"
#include "win32/progress_window.h"

namespace zarn::win32 {

namespace {

class Win32Windows : public DesktopWindows {
 public:
  int WithRunWindows(const MapRun& run) override {
    ProgressWindow progress;
    progress.Show();
    ErrorsWindow errors(progress.handle());
    return run(progress, errors);
  }

  void ShowAbout() override {
    AboutWindow about;
    about.ShowModal();
  }

  void ShowMessage(const std::string& text, bool error) override { win32::ShowMessage(text, error); }
};

}  // namespace

void ShowMessage(const std::string& text, bool error) {
  // Messages are UTF-8 (paths, system reasons); MB_TASKMODAL: no window owns them.
  MessageBoxW(nullptr, WideFromUtf8(text).c_str(), L"ZARN", MB_OK | MB_TASKMODAL | (error ? MB_ICONERROR : 0));
}

int PerformRun(const RunChoice& choice) {
  Win32Windows windows;
  return zarn::PerformRun(choice, windows);
}

}  // namespace zarn::win32
