// ZARN.exe: the Windows desktop program. One run per process, chosen from the
// command line; no window outlives the run.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/isolated_process.h"
#include "platform/processes.h"
#include "win32/entry.h"

int main(int argc, char** argv) {
  std::vector<std::string> args = zarn::ProgramArguments(argc, argv);
  // Archive work runs in this program started again as a worker.
  if (std::optional<int> code = zarn::ServeIsolatedTaskIfAsked(args)) return *code;
  // Common controls 6 (the manifest asks for them): the progress bar.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  zarn::TuneMemoryAllocator();
  if (!args.empty()) args.erase(args.begin());  // the program name
  return zarn::win32::PerformRun(zarn::win32::ChooseRun(args));
}
