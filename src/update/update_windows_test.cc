// An installed copy that this user may not replace, as Windows marks one: a
// read-only program file. Nothing is fetched for it.
// The fixture brings winsock2.h, which has to come before windows.h.
#include "testing/update_fixture.h"

#include <windows.h>

#include "platform/wide_text.h"

namespace zarn {
namespace {

using namespace update_testing;

TEST_F(UpdateTest, AReadOnlyProgramIsLeftAloneAndNothingIsFetched) {
  TestServer server;
  server.Set("/update/last.version", {200, "0.2"});
  Publish(server, kNewProgram);
  const std::wstring name = WideFromUtf8(program_);
  ASSERT_TRUE(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Update(server.base()), UpdateOutcome::kReplaceFailed);
  SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(server.requests().empty());
  EXPECT_EQ(ReadFileBytes(program_), kOldProgram);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace zarn
