// A run that is asked to stop (a signal on POSIX; a console event or the end
// of the session on Windows) first ends its worker process and removes the
// temporary files it has made, then ends as that request ends a process.
//
// What a stop removes is registered beforehand, so that the POSIX handler
// does only async-signal-safe work: it ends the worker, unlinks names that are
// already written out, and raises the signal again with its default action.
// The registry is process-wide by nature: a signal reaches the process, not a
// run object.
#pragma once

#include <cstdint>
#include <string>

namespace zarn {

// Installs the stop handling: SIGTERM, SIGHUP, SIGINT and SIGQUIT (POSIX);
// Ctrl-C, Ctrl-Break, the console's close, logoff and shutdown (Windows).
// Programs that run maps call it once, first thing.
void HandleStopRequests();

// Ends the process as a stop request does, with `exit_code`: the desktop
// program's window messages end a run this way.
[[noreturn]] void StopNow(int exit_code);

// While one lives, stop requests wait: a file is created and registered as
// one step, so that a stop can never come between the two.
class StopDeferral {
 public:
  StopDeferral();
  ~StopDeferral();
  StopDeferral(const StopDeferral&) = delete;
  StopDeferral& operator=(const StopDeferral&) = delete;

 private:
  std::uint64_t saved_[16];  // the blocked signals before (POSIX)
};

// A file that a stop request removes, from construction until Forget() or
// destruction. `handle()` is an open handle on it that the run holds as its
// lock; a stop closes it before removing the file (Windows cannot remove a
// file it holds open). Registering fails (registered() is false) only when
// more files are registered at once than the registry holds.
class RemovedOnStop {
 public:
  explicit RemovedOnStop(const std::string& path);
  ~RemovedOnStop();
  RemovedOnStop(const RemovedOnStop&) = delete;
  RemovedOnStop& operator=(const RemovedOnStop&) = delete;

  bool registered() const { return slot_ >= 0; }
  // The handle a stop closes first; -1 for none.
  void SetHandle(std::intptr_t handle);
  void Forget();

 private:
  int slot_ = -1;
};

// The worker process (a process id on POSIX, a process HANDLE on Windows)
// that a stop request ends, and waits for, before removing any file: a worker
// still running could write a file anew.
class WorkerEndedOnStop {
 public:
  explicit WorkerEndedOnStop(std::intptr_t worker);
  ~WorkerEndedOnStop();
  WorkerEndedOnStop(const WorkerEndedOnStop&) = delete;
  WorkerEndedOnStop& operator=(const WorkerEndedOnStop&) = delete;
};

}  // namespace zarn
