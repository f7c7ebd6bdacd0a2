// Windows: no fork, so the program starts itself again in its worker mode
// ("--zarn-isolated-task NAME"), which finds the task by its name, reads the
// task's arguments from its standard input (any bytes, any length, which a
// command line cannot carry) and writes the reply to its standard output;
// both are pipes to the caller. The worker
// runs in a job that ends with the caller's handle, so a worker that hangs
// does not outlive the run that started it.
#include "platform/isolated_process.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/isolated_reply.h"
#include "platform/paths.h"
#include "platform/stop_request.h"
#include "platform/wide_text.h"

namespace zarn {

namespace {

constexpr const char* kWorkerFlag = "--zarn-isolated-task";
constexpr const char* kFaultFlag = "--zarn-fault=";
// The exit code of a worker that called abort(), as the C runtime's own.
constexpr DWORD kAbortExitCode = 3;

std::atomic<IsolatedFault> g_fault{IsolatedFault::kNone};

const char* FaultName(IsolatedFault fault) {
  switch (fault) {
    case IsolatedFault::kAbort: return "abort";
    case IsolatedFault::kSegfault: return "segfault";
    case IsolatedFault::kHang: return "hang";
    case IsolatedFault::kNone:
    case IsolatedFault::kNoProcess: break;
  }
  return "none";
}

std::wstring Quoted(const std::string& arg) { return QuotedArgument(WideFromUtf8(arg)); }

// Faults end the worker at once with a code that names them: no crash
// dialog, no debugger, no message box of the C runtime.
LONG WINAPI EndOnException(EXCEPTION_POINTERS* info) {
  TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

void EndOnAbort(int) { TerminateProcess(GetCurrentProcess(), kAbortExitCode); }

void PrepareWorker() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndOnException);
  std::signal(SIGABRT, EndOnAbort);
  _set_error_mode(_OUT_TO_STDERR);
}

void InjectFault(const std::string& fault) {
  if (fault == "abort") std::abort();
  if (fault == "segfault") *static_cast<volatile int*>(nullptr) = 0;
  if (fault == "hang") Sleep(INFINITE);
}

// The arguments as a count and, for each, its length and bytes; 64-bit
// little-endian numbers.
std::string EncodeArguments(const std::vector<std::string>& args) {
  std::string bytes;
  auto number = [&](std::uint64_t n) {
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<char>(n >> (8 * i)));
  };
  number(args.size());
  for (const std::string& arg : args) {
    number(arg.size());
    bytes += arg;
  }
  return bytes;
}

std::optional<std::vector<std::string>> DecodeArguments(const std::string& bytes) {
  std::size_t at = 0;
  auto number = [&](std::uint64_t& n) {
    if (bytes.size() - at < 8) return false;
    n = 0;
    for (int i = 7; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(bytes[at + i]);
    at += 8;
    return true;
  };
  std::uint64_t count = 0;
  if (!number(count)) return std::nullopt;
  std::vector<std::string> args;
  for (std::uint64_t i = 0; i < count; ++i) {
    std::uint64_t length = 0;
    if (!number(length) || bytes.size() - at < length) return std::nullopt;
    args.push_back(bytes.substr(at, length));
    at += length;
  }
  return args;
}

std::string ReadAll(HANDLE in) {
  std::string bytes;
  char buffer[1 << 16];
  DWORD got = 0;
  while (ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

void WriteAll(HANDLE out, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!WriteFile(out, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) return;
    done += wrote;
  }
}

std::string ExitReason(DWORD code) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
  switch (code) {
    case kAbortExitCode: return "abort, exit code 3";
    case EXCEPTION_ACCESS_VIOLATION: return std::string("exception ") + hex + ", access violation";
    case EXCEPTION_STACK_OVERFLOW: return std::string("exception ") + hex + ", stack overflow";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return std::string("exception ") + hex + ", illegal instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return std::string("exception ") + hex + ", division by zero";
    case EXCEPTION_IN_PAGE_ERROR: return std::string("exception ") + hex + ", in-page error";
  }
  if (code >= 0xC0000000u) return std::string("exception ") + hex;
  return "it ended without an answer, exit code " + std::to_string(code);
}

struct Handle {
  HANDLE h = nullptr;
  ~Handle() {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

// A job whose processes end when its last handle closes, with the caller.
HANDLE KillOnCloseJob() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (!job) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

std::wstring WorkerCommandLine(const IsolatedTask& task) {
  std::wstring command = Quoted(ExecutablePath()) + L" " + Quoted(kWorkerFlag) + L" " + Quoted(task.name);
  const IsolatedFault fault = g_fault.load();
  if (fault != IsolatedFault::kNone) command += L" " + Quoted(std::string(kFaultFlag) + FaultName(fault));
  return command;
}

// The worker, suspended until it is in the job. With the fault kNoProcess the
// start fails as Wine's has been seen to under load: ERROR_INTERNAL_ERROR.
bool StartWorker(std::wstring& command, STARTUPINFOW& startup, PROCESS_INFORMATION& process) {
  if (g_fault.load() == IsolatedFault::kNoProcess) {
    SetLastError(ERROR_INTERNAL_ERROR);
    return false;
  }
  return CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &process);
}

// The two ends of an anonymous pipe; `inherited` is the end the worker gets.
struct Pipe {
  Handle ours, theirs;
  bool Create(bool worker_writes) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inheritable, 1 << 20)) return false;
    ours.h = worker_writes ? read_end : write_end;
    theirs.h = worker_writes ? write_end : read_end;
    SetHandleInformation(ours.h, HANDLE_FLAG_INHERIT, 0);
    return true;
  }
};

}  // namespace

void SetIsolatedFaultForTesting(IsolatedFault fault) { g_fault = fault; }

std::optional<int> ServeIsolatedTaskIfAsked(const std::vector<std::string>& args) {
  if (args.size() < 3 || args[1] != kWorkerFlag) return std::nullopt;
  PrepareWorker();
  if (args.size() > 3 && args[3].rfind(kFaultFlag, 0) == 0) InjectFault(args[3].substr(std::string(kFaultFlag).size()));
  const IsolatedTask* task = FindIsolatedTask(args[2]);
  const std::optional<std::vector<std::string>> task_args = DecodeArguments(ReadAll(GetStdHandle(STD_INPUT_HANDLE)));
  if (!task || !task_args) return 2;
  const IsolatedReply reply = RunTaskCatching(*task, *task_args);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  WriteAll(out, EncodeReplyHeader(reply));
  WriteAll(out, reply.text);
  return 0;
}

IsolatedOutcome RunIsolated(const IsolatedTask& task, const std::vector<std::string>& args,
                            std::chrono::milliseconds limit) {
  Pipe input, output;
  if (!input.Create(false) || !output.Create(true))
    return {IsolatedOutcome::Kind::kNotStarted, {}, "cannot create a pipe"};
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle nul;
  nul.h =
      CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0, nullptr);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.theirs.h;
  startup.hStdOutput = output.theirs.h;
  startup.hStdError = nul.h;
  PROCESS_INFORMATION process{};
  std::wstring command = WorkerCommandLine(task);
  Handle job;
  job.h = KillOnCloseJob();
  if (!StartWorker(command, startup, process))
    return {IsolatedOutcome::Kind::kNotStarted,
            {},
            "cannot start a process (error " + std::to_string(GetLastError()) + ")"};
  Handle process_handle, thread_handle;
  process_handle.h = process.hProcess;
  thread_handle.h = process.hThread;
  const WorkerEndedOnStop ended_on_stop(reinterpret_cast<std::intptr_t>(process.hProcess));
  if (job.h) AssignProcessToJobObject(job.h, process.hProcess);
  ResumeThread(process.hThread);
  // The worker holds the only other ends now: its exit ends the reading and
  // the writing below.
  CloseHandle(input.theirs.h);
  input.theirs.h = nullptr;
  CloseHandle(output.theirs.h);
  output.theirs.h = nullptr;

  std::thread writer([&, encoded = EncodeArguments(args)] {
    WriteAll(input.ours.h, encoded);
    CloseHandle(input.ours.h);
    input.ours.h = nullptr;
  });
  std::string bytes;
  std::thread reader([&] { bytes = ReadAll(output.ours.h); });
  const bool in_time = WaitForSingleObject(process.hProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
  if (!in_time) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  reader.join();
  writer.join();
  DWORD exit_code = 0;
  GetExitCodeProcess(process.hProcess, &exit_code);

  IsolatedOutcome outcome;
  if (!in_time) {
    outcome.kind = IsolatedOutcome::Kind::kTimedOut;
    outcome.reason = TimeLimitReason(limit);
  } else if (exit_code != 0 || !IsWholeReply(bytes)) {
    outcome.kind = IsolatedOutcome::Kind::kStopped;
    outcome.reason = ExitReason(exit_code);
  } else {
    outcome.kind = IsolatedOutcome::Kind::kReplied;
    outcome.reply = DecodeReply(bytes);
  }
  return outcome;
}

}  // namespace zarn
