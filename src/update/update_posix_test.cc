// An installed copy that this user may not replace, made with permission
// bits; the update runs as an unprivileged user in a child process.
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include "testing/update_fixture.h"

namespace zarn {
namespace {

using namespace update_testing;

// An installed copy: the program's folder is closed to this user, or open to
// all but with the sticky bit, so that only the owner may replace the program.
// The update runs in a child process as an unprivileged user (root passes
// every permission check).
TEST_F(UpdateTest, AProgramThisUserCannotReplaceIsLeftAloneAndNothingIsFetched) {
  const bool root = geteuid() == 0;
  std::vector<fs::perms> folder_modes = {fs::perms(0555)};
  if (root) folder_modes.push_back(fs::perms(01777));
  for (fs::perms mode : folder_modes) {
    SCOPED_TRACE(static_cast<int>(mode));
    TestServer server;
    server.Set("/update/last.version", {200, "0.2"});
    server.Set("/update/last.dat", {200, kNewProgram});
    fs::permissions(dir_, mode);
    pid_t child = fork();
    if (child == 0) {
      alarm(20);
      if (root &&
          (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0))
        _exit(100);
      _exit(static_cast<int>(Update(server.base())));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    fs::permissions(dir_, fs::perms::owner_all);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(UpdateOutcome::kReplaceFailed));
    EXPECT_TRUE(server.requests().empty());
    ExpectNothingMoved();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  }
}

}  // namespace
}  // namespace zarn
