#include "platform/opened_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "platform/real_paths.h"
#include "testing/test_util.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing_util::TempDir;
using Refusal = PlainFile::Refusal;

// What a map folder's other files are read through: the bytes with the
// identity of what was read, or why not, and never more than the limit.
TEST(OpenedFilesTest, APlainFileInAFolderIsReadUpToItsLimit) {
  TempDir dir;
  WriteFileBytes(dir / "war3map.w3i", std::string("w3i\0data", 8));
  const PlainFile read = ReadPlainFileIn(dir.path(), "war3map.w3i", 8);
  EXPECT_EQ(read.refusal, Refusal::kNone);
  EXPECT_EQ(read.bytes, std::string("w3i\0data", 8));
  EXPECT_EQ(read.identity, IdentityOf(dir / "war3map.w3i").value());
  EXPECT_EQ(ReadPlainFileIn(dir.path(), "war3map.w3i", 7).refusal, Refusal::kTooLarge);
  EXPECT_EQ(ReadPlainFileIn(dir.path(), "none", 8).refusal, Refusal::kMissing);
  fs::create_directories(NativePath(dir / "folder"));
  EXPECT_EQ(ReadPlainFileIn(dir.path(), "folder", 8).refusal, Refusal::kNotRegular);
  std::error_code error;
  fs::create_symlink("war3map.w3i", NativePath(dir / "link"), error);
  if (!error) { EXPECT_EQ(ReadPlainFileIn(dir.path(), "link", 8).refusal, Refusal::kLink); }
}

TEST(OpenedFilesTest, AHandleTellsWhereItLeads) {
  TempDir dir;
  WriteFileBytes(dir / "a.j", "a");
  OpenedFile file;
  OpenFailure failure = OpenFailure::kNone;
  std::string reason;
  ASSERT_TRUE(file.Open(PathJoin(dir.path(), "a.j"), LinkRule::kFollow, failure, reason)) << reason;
  EXPECT_EQ(file.kind(), FileKind::kRegular);
  EXPECT_EQ(file.RealPath(), RealPath(dir / "a.j"));
  EXPECT_FALSE(file.Open(PathJoin(dir.path(), "b.j"), LinkRule::kFollow, failure, reason));
  EXPECT_EQ(failure, OpenFailure::kMissing);
}

}  // namespace
}  // namespace zarn
