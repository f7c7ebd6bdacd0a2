#include "desktop/window_actions.h"

#include <gtest/gtest.h>

#include "platform/paths.h"

namespace zarn {
namespace {

TEST(WindowActionsTest, AboutStartsThisVeryProgramWithoutArguments) {
  std::vector<std::pair<std::string, std::vector<std::string>>> started;
  ShowAboutInNewProcess([&](const std::string& program, const std::vector<std::string>& args) {
    started.emplace_back(program, args);
    return false;  // a failed start is not looked at
  });
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].first, ExecutablePath());
  EXPECT_FALSE(started[0].first.empty());
  EXPECT_TRUE(started[0].second.empty());
  ShowAboutInNewProcess(nullptr);  // no starter: nothing happens
}

TEST(WindowActionsTest, TheLinkOpensTheCommunitySite) {
  std::vector<std::string> opened;
  const UrlOpener open = [&](const std::string& url) {
    opened.push_back(url);
    return true;
  };
  OpenLinkTarget(open);
  OpenLinkTarget(open);
  EXPECT_EQ(opened, (std::vector<std::string>{ZARN_COMMUNITY_URL, ZARN_COMMUNITY_URL}));
}

}  // namespace
}  // namespace zarn
