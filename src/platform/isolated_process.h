// Work that runs in a process of its own, so that a crash, an abort or a hang
// in it (inside a third-party library, say) ends that process only and comes
// back to the caller as an outcome it can report.
//
// A task is named and takes text arguments only, so that every system can
// run it: POSIX forks and calls the task's function in the child; a system
// without fork starts the program again in a worker mode that finds the task
// by its name and hands the reply back the same way.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace zarn {

// What a task tells its caller: code 0 for success, any other code a failure
// whose meaning the task defines; `text` carries its message.
struct IsolatedReply {
  int code = 0;
  std::string text;
};

struct IsolatedTask {
  const char* name;
  IsolatedReply (*run)(const std::vector<std::string>& args);
};

// Makes a task known by its name to the worker mode of the program; define
// one beside each task, at namespace scope.
class IsolatedTaskRegistration {
 public:
  explicit IsolatedTaskRegistration(const IsolatedTask& task);
};

// Where the program is started again as a worker (Windows): when `args` ask
// for a task, runs it, hands its reply to the caller and returns the exit
// code the program must end with. Nothing when they do not. Every program
// that runs isolated tasks calls it first thing in main.
std::optional<int> ServeIsolatedTaskIfAsked(const std::vector<std::string>& args);

struct IsolatedOutcome {
  enum class Kind {
    kReplied,    // the task ran to its end; see `reply`
    kStopped,    // the process ended without a reply (a signal, an exit)
    kTimedOut,   // it was stopped at the time limit
    kNotStarted  // no process could be started
  };
  Kind kind = Kind::kNotStarted;
  IsolatedReply reply;
  // For every kind but kReplied: how the process ended, in words, such as
  // "SIGSEGV, Segmentation fault" or "no answer within 12 seconds".
  std::string reason;
};

// Runs `task` with `args` in a separate process and waits at most `limit`
// for it; a process still running then is killed. The caller's open files,
// locks and memory are left as they were, whatever the task does.
IsolatedOutcome RunIsolated(const IsolatedTask& task, const std::vector<std::string>& args,
                            std::chrono::milliseconds limit);

// For tests of the callers' handling: makes every isolated process end this
// way as soon as it starts, before its task runs; with kNoProcess no process
// can be started at all, as when the system has no room for one more. Only
// test programs set it.
enum class IsolatedFault { kNone, kAbort, kSegfault, kHang, kNoProcess };
void SetIsolatedFaultForTesting(IsolatedFault fault);

}  // namespace zarn
