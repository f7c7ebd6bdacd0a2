#include "update/download.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/errors.h"
#include "text/script.h"
#include "testing/test_http_server.h"
#include "testing/test_util.h"

namespace zarn {
namespace {

using testing_util::TempDir;
using testing_util::TestServer;

class DownloadTest : public testing::Test {
 protected:
  void SetUp() override { setenv("no_proxy", "127.0.0.1", 1); }
  TempDir dir_;
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

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }

// Runs a handle configured for `configured_url`, but pointed at `actual_url`:
// the redirect policy stays the one chosen for the configured address.
CURLcode FetchWithPolicyOf(const std::string& configured_url, const std::string& actual_url) {
  std::unique_ptr<CURL, void (*)(CURL*)> handle(curl_easy_init(), curl_easy_cleanup);
  ConfigureTransfer(handle.get(), configured_url, "agent");
  curl_easy_setopt(handle.get(), CURLOPT_URL, actual_url.c_str());
  curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, Discard);
  return curl_easy_perform(handle.get());
}

TEST_F(DownloadTest, RedirectToHttpIsRefusedAfterAnHttpsStart) {
  TestServer server;
  server.Redirect("/moved", server.base() + "/target");
  server.Set("/target", {200, "body"});

  EXPECT_EQ(FetchWithPolicyOf("https://update.example.org/update/last.dat", server.base() + "/moved"),
            CURLE_UNSUPPORTED_PROTOCOL);
  EXPECT_EQ(server.requests(), std::vector<std::string>{"/moved"});

  // The same redirect is followed when the transfer started on plain http.
  ASSERT_TRUE(DownloadFile(server.base() + "/moved", dir_ / "f", "agent"));
  EXPECT_EQ(ReadFileBytes(dir_ / "f"), "body");
  EXPECT_EQ(server.requests(), (std::vector<std::string>{"/moved", "/moved", "/target"}));
}

}  // namespace
}  // namespace zarn
