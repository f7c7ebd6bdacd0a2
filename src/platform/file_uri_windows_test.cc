#include <gtest/gtest.h>

#include "platform/file_uri.h"

namespace zarn {
namespace {

TEST(FileUri, DrivesAndSharesBothWays) {
  EXPECT_EQ(FileUriToPath("file:///C:/Maps/My%20Map/war3map.j"), "C:\\Maps\\My Map\\war3map.j");
  EXPECT_EQ(FileUriToPath("file:///c%3A/a.j"), "c:\\a.j");
  EXPECT_EQ(FileUriToPath("file://server/share/a.j"), "\\\\server\\share\\a.j");
  EXPECT_EQ(FileUriToPath("untitled:Untitled-1"), std::nullopt);
  EXPECT_EQ(PathToFileUri("C:\\Maps\\My Map\\a.j"), "file:///C:/Maps/My%20Map/a.j");
  EXPECT_EQ(PathToFileUri("\\\\server\\share\\a.j"), "file://server/share/a.j");
  EXPECT_EQ(FileUriToPath(PathToFileUri("D:\\x\\[z]%.j")), "D:\\x\\[z]%.j");
  EXPECT_EQ(ParentFolder("C:\\Maps\\a.j"), "C:\\Maps");
  EXPECT_EQ(ParentFolder("C:\\a.j"), "C:\\");
}

}  // namespace
}  // namespace zarn
