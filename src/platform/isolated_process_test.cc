#include "platform/isolated_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

#include "testing/test_util.h"

namespace zarn {
namespace {

using namespace std::chrono_literals;

IsolatedReply Echo(const std::vector<std::string>& args) {
  return {static_cast<int>(args.size()), args.at(0) + args.at(1)};
}
IsolatedReply Throw(const std::vector<std::string>&) { throw std::runtime_error("thrown in the worker"); }

const IsolatedTask kEcho{"echo", &Echo};
const IsolatedTaskRegistration kRegisterEcho(kEcho);
const IsolatedTask kThrow{"throw", &Throw};
const IsolatedTaskRegistration kRegisterThrow(kThrow);

struct FaultGuard {
  explicit FaultGuard(IsolatedFault fault) { SetIsolatedFaultForTesting(fault); }
  ~FaultGuard() { SetIsolatedFaultForTesting(IsolatedFault::kNone); }
};

TEST(IsolatedProcessTest, RepliesComeBackWhole) {
  // Longer than a pipe's buffer, with bytes of every value.
  std::string big(200000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  IsolatedOutcome outcome = RunIsolated(kEcho, {big, "!"}, 10s);
  ASSERT_EQ(outcome.kind, IsolatedOutcome::Kind::kReplied) << outcome.reason;
  EXPECT_EQ(outcome.reply.code, 2);
  EXPECT_TRUE(outcome.reply.text == big + "!");

  outcome = RunIsolated(kThrow, {}, 10s);
  ASSERT_EQ(outcome.kind, IsolatedOutcome::Kind::kReplied) << outcome.reason;
  EXPECT_EQ(outcome.reply.code, -1);
  EXPECT_EQ(outcome.reply.text, "thrown in the worker");
}

TEST(IsolatedProcessTest, AbortsAndFaultsAreNamedBySignal) {
  const std::pair<IsolatedFault, const char*> cases[] = {
      {IsolatedFault::kAbort, testing_util::kAbortReason},
      {IsolatedFault::kSegfault, testing_util::kSegfaultReason},
  };
  for (auto [fault, reason] : cases) {
    FaultGuard guard(fault);
    const IsolatedOutcome outcome = RunIsolated(kEcho, {"a", "b"}, 10s);
    EXPECT_EQ(outcome.kind, IsolatedOutcome::Kind::kStopped);
    EXPECT_EQ(outcome.reason, reason);
  }
}

TEST(IsolatedProcessTest, AProcessThatCannotStartIsNotStartedWithTheSystemsReason) {
  FaultGuard guard(IsolatedFault::kNoProcess);
  const IsolatedOutcome outcome = RunIsolated(kEcho, {"a", "b"}, 10s);
  EXPECT_EQ(outcome.kind, IsolatedOutcome::Kind::kNotStarted);
  EXPECT_EQ(outcome.reason, testing_util::kNoProcessReason);
}

TEST(IsolatedProcessTest, AHangIsStoppedAtTheLimit) {
  FaultGuard guard(IsolatedFault::kHang);
  const auto start = std::chrono::steady_clock::now();
  const IsolatedOutcome outcome = RunIsolated(kEcho, {"a", "b"}, 300ms);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(outcome.kind, IsolatedOutcome::Kind::kTimedOut);
  EXPECT_EQ(outcome.reason, "no answer within 1 second");
}

}  // namespace
}  // namespace zarn
