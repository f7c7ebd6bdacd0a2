// POSIX: the handler runs in whichever thread the signal reaches. It touches
// only the registry below, whose entries are complete before they are marked
// ready, and calls only async-signal-safe functions.
#include "platform/stop_request.h"

#include <limits.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace zarn {

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};
constexpr int kSlots = 8;

struct Slot {
  std::atomic<bool> ready{false};
  char path[PATH_MAX];
};

Slot g_slots[kSlots];
std::atomic<bool> g_taken[kSlots];
std::atomic<pid_t> g_worker{0};
// The process that installed the handlers: a forked worker inherits them and
// must not clean up after its caller.
std::atomic<pid_t> g_owner{0};

static_assert(sizeof(sigset_t) <= sizeof(std::uint64_t[16]), "StopDeferral keeps a sigset_t");

sigset_t StopSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kStopSignals) sigaddset(&set, sig);
  return set;
}

void EndWorker() {
  const pid_t worker = g_worker.exchange(0);
  if (worker <= 0) return;
  ::kill(worker, SIGKILL);
  while (::waitpid(worker, nullptr, 0) < 0 && errno == EINTR) {}
}

void RemoveRegisteredFiles() {
  for (Slot& slot : g_slots) {
    if (slot.ready.exchange(false)) ::unlink(slot.path);
  }
}

void OnStopSignal(int sig) {
  const int saved_errno = errno;
  if (::getpid() == g_owner.load()) {
    EndWorker();
    RemoveRegisteredFiles();
  }
  // The handler was installed to run once: the signal raised again ends the
  // process with its usual status as soon as the handler returns.
  ::signal(sig, SIG_DFL);
  ::raise(sig);
  errno = saved_errno;
}

}  // namespace

void HandleStopRequests() {
  g_owner = ::getpid();
  struct sigaction action {};
  action.sa_handler = &OnStopSignal;
  action.sa_mask = StopSignalSet();  // one stop at a time
  action.sa_flags = SA_RESTART;
  for (int sig : kStopSignals) {
    struct sigaction old {};
    // A signal ignored by whoever started the program (nohup) stays ignored.
    if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(sig, &action, nullptr);
  }
}

void StopNow(int exit_code) {
  {
    StopDeferral defer;
    EndWorker();
    RemoveRegisteredFiles();
  }
  ::_exit(exit_code);
}

StopDeferral::StopDeferral() {
  const sigset_t block = StopSignalSet();
  ::pthread_sigmask(SIG_BLOCK, &block, reinterpret_cast<sigset_t*>(saved_));
}

StopDeferral::~StopDeferral() { ::pthread_sigmask(SIG_SETMASK, reinterpret_cast<sigset_t*>(saved_), nullptr); }

RemovedOnStop::RemovedOnStop(const std::string& path) {
  if (path.size() >= PATH_MAX) return;
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (!g_taken[i].compare_exchange_strong(expected, true)) continue;
    std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
    g_slots[i].ready.store(true);
    slot_ = i;
    return;
  }
}

RemovedOnStop::~RemovedOnStop() { Forget(); }

// The lock is a descriptor that ends with the process; nothing to close.
void RemovedOnStop::SetHandle(std::intptr_t) {}

void RemovedOnStop::Forget() {
  if (slot_ < 0) return;
  g_slots[slot_].ready.store(false);
  g_taken[slot_].store(false);
  slot_ = -1;
}

WorkerEndedOnStop::WorkerEndedOnStop(std::intptr_t worker) { g_worker.store(static_cast<pid_t>(worker)); }

WorkerEndedOnStop::~WorkerEndedOnStop() { g_worker.store(0); }

}  // namespace zarn
