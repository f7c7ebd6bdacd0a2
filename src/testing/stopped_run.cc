// zarn-stopped-run: writes a script into a map as a --map run does, and is
// stopped at one named step of the write, in whichever process does that
// step. For the tests of what a stopped or crashed run leaves behind.
//
//   zarn-stopped-run MAP SCRIPT STEP HOW
//
// The script is extracted to war3map.j beside SCRIPT first. STEP is a step's
// name (copy-made, archive-opened, ...), or none for a run to its end. HOW:
//   crash    the run's process ends at once, as by SIGKILL or TerminateProcess
//   stop     a stop request as a console event or a window message makes it
//   SIGTERM, SIGHUP, SIGINT, SIGQUIT (POSIX): that signal to the run's process
// Exit code 0 when the step was never reached, 2 for a bad command line, 1
// when the write failed.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

#include "map/map_access.h"
#include "map/write_steps.h"
#include "platform/isolated_process.h"
#include "platform/paths.h"
#include "platform/processes.h"
#include "platform/stop_request.h"

namespace {

// The plan reaches the worker process through the environment: a forked
// worker and one started anew (Windows) both inherit it.
constexpr const char* kPlanVariable = "ZARN_STOPPED_RUN";

struct Plan {
  std::string step, how;
  unsigned long run = 0;  // the run's process id
};

unsigned long ThisProcess() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(::getpid());
#endif
}

Plan ReadPlan() {
  Plan plan;
  const char* text = std::getenv(kPlanVariable);
  if (!text) return plan;
  const std::string value = text;
  const std::size_t a = value.find(' '), b = value.rfind(' ');
  if (a == std::string::npos || a == b) return plan;
  plan.step = value.substr(0, a);
  plan.how = value.substr(a + 1, b - a - 1);
  plan.run = std::stoul(value.substr(b + 1));
  return plan;
}

#ifdef _WIN32
// The status a stop request ends the process with, as for Ctrl-C.
constexpr int kStoppedExitCode = static_cast<int>(0xC000013A);

// A console event arrives on a thread of its own; a worker asks for one
// through this event, and the run's thread for it stops the run from there.
std::wstring StopEventName(unsigned long run) { return L"Local\\zarn-stopped-run-" + std::to_wstring(run); }

DWORD WINAPI AwaitStop(void* event) {
  WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
  zarn::StopNow(kStoppedExitCode);
}

[[noreturn]] void EndRun(const Plan& plan, bool in_run) {
  if (plan.how == "crash") {
    if (!in_run) {
      HANDLE run = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, plan.run);
      TerminateProcess(run, 9);
      WaitForSingleObject(run, INFINITE);
    }
    TerminateProcess(GetCurrentProcess(), 9);
  }
  if (in_run) zarn::StopNow(kStoppedExitCode);
  HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, StopEventName(plan.run).c_str());
  SetEvent(event);
  for (;;) Sleep(INFINITE);  // the run ends this process first
}
#else
int SignalNamed(const std::string& name) {
  if (name == "SIGTERM") return SIGTERM;
  if (name == "SIGHUP") return SIGHUP;
  if (name == "SIGINT") return SIGINT;
  if (name == "SIGQUIT") return SIGQUIT;
  return 0;
}

[[noreturn]] void EndRun(const Plan& plan, bool in_run) {
  const pid_t run = static_cast<pid_t>(plan.run);
  if (plan.how == "crash") {
    if (!in_run) ::kill(run, SIGKILL);
    ::_exit(9);
  }
  if (plan.how == "stop") {
    if (in_run) zarn::StopNow(128 + SIGTERM);
    ::kill(run, SIGTERM);  // the nearest a worker comes to a stop request
  } else {
    ::kill(run, SignalNamed(plan.how));
  }
  for (;;) ::pause();  // a signal ends the run, or the run ends this worker
}
#endif

class StopAtStep : public zarn::WriteStepHook {
 public:
  void Reached(zarn::WriteStep step) override {
    const Plan plan = ReadPlan();
    if (plan.step == zarn::WriteStepName(step)) EndRun(plan, ThisProcess() == plan.run);
  }
};

StopAtStep stop_at_step;
const zarn::WriteStepHookRegistration kStopAtStep(stop_at_step);

// The run's notes (stale copies removed) are what the tests read.
class NotesOnStandardError : public zarn::NullProgress {
 public:
  void Note(std::string_view text) override {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  }
};

bool KnownStep(const std::string& name) {
  if (name == "none") return true;  // an ordinary run
  for (int i = 0; i < zarn::kWriteStepCount; ++i) {
    if (name == zarn::WriteStepName(static_cast<zarn::WriteStep>(i))) return true;
  }
  return false;
}

bool KnownWay(const std::string& how) {
#ifdef _WIN32
  return how == "crash" || how == "stop";
#else
  return how == "crash" || how == "stop" || SignalNamed(how) != 0;
#endif
}

void SetPlan(const std::string& step, const std::string& how) {
  const std::string value = step + " " + how + " " + std::to_string(ThisProcess());
#ifdef _WIN32
  _putenv((std::string(kPlanVariable) + "=" + value).c_str());
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, StopEventName(ThisProcess()).c_str());
  CreateThread(nullptr, 0, &AwaitStop, event, 0, nullptr);
#else
  ::setenv(kPlanVariable, value.c_str(), 1);
#endif
}

std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? "." : path.substr(0, cut);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = zarn::ProgramArguments(argc, argv);
  if (std::optional<int> code = zarn::ServeIsolatedTaskIfAsked(args)) return *code;
  if (args.size() != 5 || !KnownStep(args[3]) || !KnownWay(args[4])) {
    std::fputs("usage: zarn-stopped-run MAP SCRIPT STEP crash|stop|SIGTERM|SIGHUP|SIGINT|SIGQUIT\n", stderr);
    return 2;
  }
  zarn::PrepareConsole();
#ifndef _WIN32
  // Started in the background, a program finds SIGINT and SIGQUIT ignored,
  // and the stop handling leaves ignored signals alone.
  for (int sig : {SIGINT, SIGQUIT, SIGHUP}) std::signal(sig, SIG_DFL);
#endif
  zarn::HandleStopRequests();
  SetPlan(args[3], args[4]);
  try {
    NotesOnStandardError progress;
    // MAP may be an archive or a folder.
    const std::unique_ptr<zarn::MapAccess> map = zarn::OpenMap(args[1]);
    map->ExtractScript(zarn::PathJoin(FolderOf(args[2]), "war3map.j"), progress);
    map->InsertScript(args[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
