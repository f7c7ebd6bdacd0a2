#include "desktop/window_actions.h"

#include <gtest/gtest.h>

#include "platform/paths.h"

namespace zarn {
namespace {

TEST(WindowActionsTest, AboutStartsThisVeryProgramWithoutArgumentsAndTellsWhenItCannot) {
  for (const bool starts : {true, false}) {
    std::vector<std::pair<std::string, std::vector<std::string>>> started;
    std::vector<std::pair<std::string, bool>> told;
    ShowAboutInNewProcess(
        [&](const std::string& program, const std::vector<std::string>& args) {
          started.emplace_back(program, args);
          return starts;
        },
        [&](const std::string& text, bool error) { told.emplace_back(text, error); });
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].first, ExecutablePath());
    EXPECT_FALSE(started[0].first.empty());
    EXPECT_TRUE(started[0].second.empty());
    if (starts) {
      EXPECT_TRUE(told.empty());
    } else {
      ASSERT_EQ(told.size(), 1u);
      EXPECT_EQ(told[0].first, "Cannot start " + ExecutablePath() + " to show the About window.");
      EXPECT_TRUE(told[0].second);
    }
  }
  ShowAboutInNewProcess(nullptr, nullptr);  // no starter: nothing happens
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
