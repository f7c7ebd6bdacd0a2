#include <gtest/gtest.h>

#include "platform/file_uri.h"

namespace zarn {
namespace {

TEST(FileUri, PathsAndUrisBothWays) {
  EXPECT_EQ(FileUriToPath("file:///home/me/My%20Map/war3map.j"), "/home/me/My Map/war3map.j");
  EXPECT_EQ(FileUriToPath("FILE://localhost/a%c3%a9.j"), "/a\xC3\xA9.j");
  EXPECT_EQ(FileUriToPath("file:///a.j?query#part"), "/a.j");
  EXPECT_EQ(FileUriToPath("untitled:Untitled-1"), std::nullopt);
  EXPECT_EQ(FileUriToPath("file://server/share/a.j"), std::nullopt);  // not a local file here
  EXPECT_EQ(FileUriToPath("file:///a%2"), std::nullopt);
  EXPECT_EQ(FileUriToPath("file:///a%00b"), std::nullopt);
  EXPECT_EQ(PathToFileUri("/home/me/My Map/a\xC3\xA9#1.j"), "file:///home/me/My%20Map/a%C3%A9%231.j");
  EXPECT_EQ(FileUriToPath(PathToFileUri("/x/%y/[z].j")), "/x/%y/[z].j");
  EXPECT_EQ(ParentFolder("/maps/a.j"), "/maps");
  EXPECT_EQ(ParentFolder("/a.j"), "/");
  EXPECT_EQ(ParentFolder("a.j"), "");
}

}  // namespace
}  // namespace zarn
