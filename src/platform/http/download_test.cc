#include "platform/http/download.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/errors.h"
#include "testing/scratch_folder.h"
#include "testing/test_http_server.h"
#include "text/script.h"

namespace zarn {
namespace {

using testing_util::ScratchFolder;
using testing_util::TestServer;

class DownloadTest : public testing::Test {
 protected:
  void SetUp() override { testing_util::NoProxyForLoopback(); }
  ScratchFolder dir_;
};

TEST_F(DownloadTest, DownloadStreamsInSmallPieces) {
  std::string body(8 << 20, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7 + i / 4096);
  TestServer server;
  server.Set("/big", {200, body});
  std::size_t largest = 0, total = 0;
  auto observe = [&](std::size_t piece) {
    largest = std::max(largest, piece);
    total += piece;
  };
  ASSERT_TRUE(DownloadFile(server.base() + "/big", dir_ / "big", "agent", observe));
  EXPECT_LE(largest, 1024u);
  EXPECT_EQ(total, body.size());
  EXPECT_TRUE(ReadFileBytes(dir_ / "big") == body);
  EXPECT_EQ(server.user_agents(), std::vector<std::string>{"agent"});
}

TEST_F(DownloadTest, UnwritableTargetRaisesFileError) {
  TestServer server;
  server.Set("/f", {200, "data"});
  EXPECT_THROW(DownloadFile(server.base() + "/f", dir_ / "missing/f", "agent"), FileError);
}

TEST_F(DownloadTest, BodyOverTheLimitIsRefusedAndRemoved) {
  const std::string body(5000, 'x');  // several pieces, so part of it was written
  TestServer server;
  server.Set("/f", {200, body});
  EXPECT_FALSE(DownloadFile(server.base() + "/f", dir_ / "f", "agent", {}, body.size() - 1));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "f"));
  EXPECT_TRUE(DownloadFile(server.base() + "/f", dir_ / "f", "agent", {}, body.size()));
  EXPECT_EQ(ReadFileBytes(dir_ / "f"), body);
}

TEST(RedirectPolicyTest, TransfersStartedOnHttpsStayOnHttps) {
  EXPECT_STREQ(RedirectProtocols("https://update.example.org/update/last.dat"), "https");
  EXPECT_STREQ(RedirectProtocols("HTTPS://update.example.org"), "https");
  EXPECT_STREQ(RedirectProtocols("http://update.example.org"), "http,https");
  EXPECT_STREQ(RedirectProtocols("http://host/https://"), "http,https");
}

TEST(RedirectPolicyTest, OnlyHttpAndHttpsAndNeverDownToHttp) {
  const std::string https = "https://update.example.org/update/last.dat";
  const std::string http = "http://update.example.org/update/last.dat";
  EXPECT_TRUE(RedirectAllowed(https, "https://mirror.example.org/x"));
  EXPECT_TRUE(RedirectAllowed(https, "HTTPS://mirror.example.org/x"));
  EXPECT_FALSE(RedirectAllowed(https, "http://mirror.example.org/x"));
  EXPECT_FALSE(RedirectAllowed(https, "HTTP://mirror.example.org/x"));
  EXPECT_TRUE(RedirectAllowed(http, "http://mirror.example.org/x"));
  EXPECT_TRUE(RedirectAllowed(http, "https://mirror.example.org/x"));
  EXPECT_FALSE(RedirectAllowed(http, "ftp://mirror.example.org/x"));
  EXPECT_FALSE(RedirectAllowed(http, "file:///etc/passwd"));
  EXPECT_FALSE(RedirectAllowed(http, ""));
}

TEST(RedirectPolicyTest, LocationsResolveAgainstTheCurrentAddress) {
  EXPECT_EQ(ResolveLocation("http://h:8080/a/b?q", "/c"), "http://h:8080/c");
  EXPECT_EQ(ResolveLocation("https://h", "/c"), "https://h/c");
  EXPECT_EQ(ResolveLocation("http://h/a", "https://other/x"), "https://other/x");
  // A scheme-relative address would change host without saying how: refused.
  EXPECT_EQ(ResolveLocation("https://h/a", "//evil/x"), "");
  EXPECT_EQ(ResolveLocation("http://h/a", "c"), "");
  EXPECT_EQ(ResolveLocation("http://h/a", ""), "");
}

TEST_F(DownloadTest, RedirectsAreFollowedOnPlainHttp) {
  TestServer server;
  server.Redirect("/moved", server.base() + "/target");
  server.Redirect("/relative", "/target");
  server.Set("/target", {200, "body"});
  ASSERT_TRUE(DownloadFile(server.base() + "/moved", dir_ / "f", "agent"));
  EXPECT_EQ(ReadFileBytes(dir_ / "f"), "body");
  ASSERT_TRUE(DownloadFile(server.base() + "/relative", dir_ / "g", "agent"));
  EXPECT_EQ(ReadFileBytes(dir_ / "g"), "body");
  EXPECT_EQ(server.requests(), (std::vector<std::string>{"/moved", "/target", "/relative", "/target"}));
}

TEST_F(DownloadTest, EndlessRedirectsFail) {
  TestServer server;
  server.Redirect("/loop", "/loop");
  EXPECT_FALSE(DownloadFile(server.base() + "/loop", dir_ / "f", "agent"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "f"));
  EXPECT_EQ(server.requests().size(), static_cast<std::size_t>(kMaxRedirects + 1));
}

TEST_F(DownloadTest, ErrorStatusesEmptyAndCutOffBodiesFailAndLeaveNoFile) {
  TestServer server;
  server.Set("/missing", {404, "page"});
  server.Set("/broken", {500, "page"});
  server.Set("/empty", {200, ""});
  server.Set("/cut", {200, std::string(3000, 'x'), true});
  for (const char* path : {"/missing", "/broken", "/empty", "/cut", "/nowhere"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(DownloadFile(server.base() + path, dir_ / "f", "agent"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "f"));
  }
}

}  // namespace
}  // namespace zarn
