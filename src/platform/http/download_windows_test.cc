// The WinHTTP download: the redirect policy reaches the transfer.
#include "testing/test_http_server.h"

#include <gtest/gtest.h>

#include "platform/http/download_windows.h"
#include "testing/scratch_folder.h"
#include "text/script.h"

namespace zarn {
namespace {

using testing_util::ScratchFolder;
using testing_util::TestServer;

TEST(WinHttpDownloadTest, RedirectToHttpIsRefusedAfterAnHttpsStart) {
  ScratchFolder dir;
  TestServer server;
  server.Redirect("/moved", server.base() + "/target");
  server.Set("/target", {200, "body"});

  EXPECT_FALSE(DownloadWithPolicyOf("https://update.example.org/update/last.dat", server.base() + "/moved", dir / "f",
                                    "agent", {}, 1 << 20));
  EXPECT_EQ(server.requests(), std::vector<std::string>{"/moved"});

  // The same redirect is followed when the transfer started on plain http.
  ASSERT_TRUE(DownloadFile(server.base() + "/moved", dir / "f", "agent"));
  EXPECT_EQ(ReadFileBytes(dir / "f"), "body");
  EXPECT_EQ(server.requests(), (std::vector<std::string>{"/moved", "/moved", "/target"}));
}

}  // namespace
}  // namespace zarn
