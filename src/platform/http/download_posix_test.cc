// The libcurl settings: the redirect policy reaches libcurl.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/http/download.h"
#include "platform/http/download_posix.h"
#include "testing/scratch_folder.h"
#include "testing/test_http_server.h"
#include "text/script.h"

namespace zarn {
namespace {

using testing_util::ScratchFolder;
using testing_util::TestServer;

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

TEST(CurlDownloadTest, RedirectToHttpIsRefusedAfterAnHttpsStart) {
  testing_util::NoProxyForLoopback();
  ScratchFolder dir_;
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
