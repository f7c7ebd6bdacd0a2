#include "text/script.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/errors.h"

namespace zarn {
namespace {

TEST(ScriptTest, SplitRecognisesEveryLineEnd) {
  struct Case {
    std::string text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\rb\nc", {"a", "b", "c"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\n", {"a"}},
      {"a\n\n", {"a", ""}},
      {"abc", {"abc"}},
      {std::string("ab\0cd\r\nef", 9), {"ab"}},
      {std::string("x\r\n\0", 4), {"x"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitText(c.text), c.lines) << c.text;
}

TEST(ScriptTest, JoinEndsEveryLineWithCrLfAndRoundTrips) {
  EXPECT_EQ(JoinLines({}), "");
  EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
  Lines lines = {"function f", "", "  x\t", "\xfe\xff"};
  EXPECT_EQ(SplitText(JoinLines(lines)), lines);
}

TEST(ScriptTest, FilesAreBytesAndErrorsNameThePath) {
  std::string path = testing::TempDir() + "/zarn_script_test.j";
  std::string bytes("a\rb\x80\r\n", 6);
  WriteFileBytes(path, bytes);
  EXPECT_EQ(ReadFileBytes(path), bytes);
  EXPECT_EQ(LoadLines(path), (Lines{"a", "b\x80"}));
  std::remove(path.c_str());
  try {
    LoadLines("/nonexistent/dir/war3map.j");
    FAIL();
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/dir/war3map.j"), std::string::npos);
  }
  EXPECT_THROW(WriteFileBytes("/nonexistent/dir/out.j", "x"), FileError);
}

}  // namespace
}  // namespace zarn
