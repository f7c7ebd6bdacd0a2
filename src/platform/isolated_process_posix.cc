// POSIX: the task runs in a forked child, which answers over a pipe and ends
// with _exit, so nothing of the caller's (buffered output, exit handlers,
// locks) runs or changes twice.
#include "platform/isolated_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <exception>
#include <thread>

#include "platform/isolated_reply.h"
#include "platform/stop_request.h"

namespace zarn {

namespace {

std::atomic<IsolatedFault> g_fault{IsolatedFault::kNone};
// Larger pipes move a long reply with fewer switches between the processes.
constexpr int kPipeSize = 1 << 20;

using Clock = std::chrono::steady_clock;

// How often the waiting loops go round depends on timing, and process ids
// differ from run to run: a coverage-guided fuzzer must not learn from
// either, or the same seed would take another path each time.
#if defined(__clang__)
#define ZARN_NO_FUZZER_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define ZARN_NO_FUZZER_COVERAGE
#endif

ZARN_NO_FUZZER_COVERAGE void WriteFully(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the caller is gone or stopped listening
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

void InjectFault(IsolatedFault fault) {
  switch (fault) {
    case IsolatedFault::kNone:
    case IsolatedFault::kNoProcess: return;
    case IsolatedFault::kAbort: std::abort();
    case IsolatedFault::kSegfault: std::raise(SIGSEGV); return;
    case IsolatedFault::kHang:
      for (;;) ::pause();
  }
}

// fork(), or its failure for lack of room when the fault asks for that.
pid_t StartChild() {
  if (g_fault.load() != IsolatedFault::kNoProcess) return ::fork();
  errno = EAGAIN;
  return -1;
}

// The child: faults end it by their signal, whatever handlers the caller set
// up (a sanitizer's would turn them into an exit code, a toolkit's into
// anything). The reply is a 32-bit code, the 64-bit length of the text and
// the text, all little-endian.
[[noreturn]] void RunChild(const IsolatedTask& task, const std::vector<std::string>& args, int out, pid_t parent) {
#ifdef __linux__
  // A worker that hangs must not outlive a caller that was ended.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
  if (::getppid() != parent) ::_exit(1);
  sigset_t faults;
  sigemptyset(&faults);
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS}) {
    std::signal(sig, SIG_DFL);
    sigaddset(&faults, sig);
  }
  ::sigprocmask(SIG_UNBLOCK, &faults, nullptr);
  // A fault here is expected and reported: no core file for it.
  const rlimit no_core{0, 0};
  ::setrlimit(RLIMIT_CORE, &no_core);
  InjectFault(g_fault.load());
  const IsolatedReply reply = RunTaskCatching(task, args);
  const std::string header = EncodeReplyHeader(reply);
  WriteFully(out, header.data(), header.size());
  WriteFully(out, reply.text.data(), reply.text.size());
  ::_exit(0);
}

// Reads the child's reply until it closes the pipe or the deadline passes;
// false at the deadline.
ZARN_NO_FUZZER_COVERAGE bool ReadReply(int in, Clock::time_point deadline, std::string& bytes) {
  char buffer[1 << 16];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{in, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left > 60000 ? 60000 : left));
    if (ready < 0 && errno != EINTR) return true;  // cannot wait: judge by the exit status
    if (ready <= 0) continue;
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;
    const bool had_header = bytes.size() >= kReplyHeaderSize;
    bytes.append(buffer, static_cast<std::size_t>(n));
    // Room for the whole reply at once, within reason: a long script is
    // not copied again and again as it comes in.
    if (!had_header && bytes.size() >= kReplyHeaderSize)
      bytes.reserve(kReplyHeaderSize + std::min<std::uint64_t>(ReplyTextLength(bytes), std::uint64_t{1} << 30));
  }
}

// Waits for the child to end, killing it at the deadline; false when it had
// to be killed.
ZARN_NO_FUZZER_COVERAGE bool Reap(pid_t pid, Clock::time_point deadline, int& status) {
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return true;
    if (done < 0 && errno != EINTR) {
      status = 0;  // reaped elsewhere (SIGCHLD ignored): judge by the reply
      return true;
    }
    if (Clock::now() >= deadline) {
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
      return false;
    }
    // The child closed its end on its way out: it is gone in a moment.
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

std::string SignalName(int sig) {
  const char* abbrev = ::sigabbrev_np(sig);
  const char* text = ::strsignal(sig);
  std::string name = abbrev ? std::string("SIG") + abbrev : "signal " + std::to_string(sig);
  return text ? name + ", " + text : name;
}

ZARN_NO_FUZZER_COVERAGE IsolatedOutcome Judge(bool in_time, int status, std::string& bytes,
                                              std::chrono::milliseconds limit) {
  IsolatedOutcome outcome;
  if (!in_time) {
    outcome.kind = IsolatedOutcome::Kind::kTimedOut;
    outcome.reason = TimeLimitReason(limit);
  } else if (WIFSIGNALED(status)) {
    outcome.kind = IsolatedOutcome::Kind::kStopped;
    outcome.reason = SignalName(WTERMSIG(status));
  } else if (!IsWholeReply(bytes) || (WIFEXITED(status) && WEXITSTATUS(status) != 0)) {
    outcome.kind = IsolatedOutcome::Kind::kStopped;
    outcome.reason =
        "it ended without an answer, exit code " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  } else {
    outcome.kind = IsolatedOutcome::Kind::kReplied;
    outcome.reply = DecodeReply(bytes);
  }
  return outcome;
}

}  // namespace

void SetIsolatedFaultForTesting(IsolatedFault fault) { g_fault = fault; }

// Forked children need no worker mode.
std::optional<int> ServeIsolatedTaskIfAsked(const std::vector<std::string>&) { return std::nullopt; }

ZARN_NO_FUZZER_COVERAGE IsolatedOutcome RunIsolated(const IsolatedTask& task, const std::vector<std::string>& args,
                                                    std::chrono::milliseconds limit) {
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
    return {IsolatedOutcome::Kind::kNotStarted, {}, std::string("cannot create a pipe: ") + std::strerror(errno)};
  }
  ::fcntl(pipe_fds[0], F_SETPIPE_SZ, kPipeSize);  // a hint: the default size works too
  const auto deadline = Clock::now() + limit;
  const pid_t parent = ::getpid();
  const pid_t pid = StartChild();
  if (pid < 0) {
    const int error = errno;
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    return {IsolatedOutcome::Kind::kNotStarted, {}, std::string("cannot start a process: ") + std::strerror(error)};
  }
  if (pid == 0) {
    ::close(pipe_fds[0]);
    RunChild(task, args, pipe_fds[1], parent);
  }
  ::close(pipe_fds[1]);
  const WorkerEndedOnStop ended_on_stop(pid);
  std::string bytes;
  bool in_time = ReadReply(pipe_fds[0], deadline, bytes);
  ::close(pipe_fds[0]);
  int status = 0;
  in_time = Reap(pid, in_time ? deadline : Clock::now(), status) && in_time;
  return Judge(in_time, status, bytes, limit);
}

}  // namespace zarn
