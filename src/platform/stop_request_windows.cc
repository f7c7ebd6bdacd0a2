// Windows: console events come on a thread of their own, and the desktop
// program's window messages on its window thread; both clean up under the
// same lock that a StopDeferral holds, so a file is never created and left
// unregistered.
#include "platform/stop_request.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/wide_text.h"

namespace zarn {

namespace {

constexpr int kSlots = 8;
constexpr std::size_t kPathChars = 32768;  // the longest path the system takes

struct Slot {
  bool ready = false;
  HANDLE handle = INVALID_HANDLE_VALUE;
  wchar_t path[kPathChars];
};

// Set up before main runs, so that every user finds it ready.
struct Registry {
  CRITICAL_SECTION lock;
  Slot slots[kSlots];
  bool taken[kSlots] = {};
  HANDLE worker = nullptr;
  Registry() { InitializeCriticalSection(&lock); }
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // never destroyed: a stop may come at exit
  return *registry;
}
const bool kRegistryReady = (TheRegistry(), true);

// The status a console program ends with on Ctrl-C, as the runtime's own
// default handler does.
constexpr DWORD kStoppedExitCode = 0xC000013A;  // STATUS_CONTROL_C_EXIT

// Runs with the registry locked.
void CleanUp(Registry& r) {
  if (r.worker) {
    TerminateProcess(r.worker, 1);
    WaitForSingleObject(r.worker, 5000);
    r.worker = nullptr;
  }
  for (Slot& slot : r.slots) {
    if (!slot.ready) continue;
    if (slot.handle != INVALID_HANDLE_VALUE) CloseHandle(slot.handle);
    slot.handle = INVALID_HANDLE_VALUE;
    DeleteFileW(slot.path);
    slot.ready = false;
  }
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: StopNow(static_cast<int>(kStoppedExitCode));
  }
  return FALSE;
}

}  // namespace

void HandleStopRequests() { SetConsoleCtrlHandler(&OnConsoleEvent, TRUE); }

void StopNow(int exit_code) {
  Registry& r = TheRegistry();
  EnterCriticalSection(&r.lock);
  CleanUp(r);
  // Ends every thread at once, the one in the middle of the run included;
  // the lock is never given back.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exit_code));
  ExitProcess(static_cast<UINT>(exit_code));
}

StopDeferral::StopDeferral() : saved_{} { EnterCriticalSection(&TheRegistry().lock); }

StopDeferral::~StopDeferral() { LeaveCriticalSection(&TheRegistry().lock); }

RemovedOnStop::RemovedOnStop(const std::string& path) {
  const std::wstring wide = WideFromUtf8(path);
  if (wide.size() >= kPathChars) return;
  Registry& r = TheRegistry();
  EnterCriticalSection(&r.lock);
  for (int i = 0; i < kSlots; ++i) {
    if (r.taken[i]) continue;
    r.taken[i] = true;
    std::memcpy(r.slots[i].path, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    r.slots[i].handle = INVALID_HANDLE_VALUE;
    r.slots[i].ready = true;
    slot_ = i;
    break;
  }
  LeaveCriticalSection(&r.lock);
}

RemovedOnStop::~RemovedOnStop() { Forget(); }

void RemovedOnStop::SetHandle(std::intptr_t handle) {
  if (slot_ < 0) return;
  Registry& r = TheRegistry();
  EnterCriticalSection(&r.lock);
  r.slots[slot_].handle = handle == -1 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(handle);
  LeaveCriticalSection(&r.lock);
}

void RemovedOnStop::Forget() {
  if (slot_ < 0) return;
  Registry& r = TheRegistry();
  EnterCriticalSection(&r.lock);
  r.slots[slot_].ready = false;
  r.slots[slot_].handle = INVALID_HANDLE_VALUE;
  r.taken[slot_] = false;
  LeaveCriticalSection(&r.lock);
  slot_ = -1;
}

WorkerEndedOnStop::WorkerEndedOnStop(std::intptr_t worker) {
  Registry& r = TheRegistry();
  EnterCriticalSection(&r.lock);
  r.worker = reinterpret_cast<HANDLE>(worker);
  LeaveCriticalSection(&r.lock);
}

WorkerEndedOnStop::~WorkerEndedOnStop() {
  Registry& r = TheRegistry();
  EnterCriticalSection(&r.lock);
  r.worker = nullptr;
  LeaveCriticalSection(&r.lock);
}

}  // namespace zarn
