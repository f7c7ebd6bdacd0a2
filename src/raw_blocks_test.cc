#include "raw_blocks.h"

#include <gtest/gtest.h>

#include "pipeline.h"
#include "text.h"

namespace zarn {
namespace {

struct RawBlocksTest : ::testing::Test {
  NullProgress progress;
  zarn::Run run{progress};

  void Split(std::string text) {
    run.text = std::move(text);
    SplitRawBlocks(run);
  }
};

using Bodies = std::vector<std::string>;

TEST_F(RawBlocksTest, ScriptWithoutBlocksIsUnchanged) {
  const std::string script = "function F takes nothing returns nothing\r\nendfunction\r\n//!nozar\r\n";
  Split(script);
  EXPECT_EQ(run.text, script);
  EXPECT_EQ(run.raw_blocks, Bodies{""});
  JoinRawBlocks(run);
  EXPECT_EQ(run.text, script);
}

TEST_F(RawBlocksTest, BlocksComeBackInOrderWithoutDirectives) {
  Split("a\r\n//!nozarn\r\none\r\n//!endnozarn\r\nb//!nozarn two//!endnozarn c\r\n"
        "//!nozarn\r\nthree\r\n//!endnozarn\r\n");
  EXPECT_EQ(run.text,
            "a\r\n//!nozarn//!endnozarn\r\nb//!nozarn//!endnozarn c\r\n//!nozarn//!endnozarn\r\n");
  EXPECT_EQ(run.raw_blocks, (Bodies{"\r\none\r\n", " two", "\r\nthree\r\n", ""}));
  JoinRawBlocks(run);
  EXPECT_EQ(run.text, "a\r\n\r\none\r\n\r\nb two c\r\n\r\nthree\r\n\r\n");
}

TEST_F(RawBlocksTest, WhatIsNoBlock) {
  // Unterminated, or in another letter case: the text stays as it is.
  for (const char* script : {"//!nozarn\r\nvar x = 1\r\n", "//!NOZARN\r\nx\r\n//!endnozarn\r\n"}) {
    Split(script);
    EXPECT_EQ(run.text, script);
    EXPECT_EQ(run.raw_blocks, Bodies{""});
  }
}

TEST_F(RawBlocksTest, SecondOpenerBelongsToTheBody) {
  Split("//!nozarn a //!nozarn b //!endnozarn c //!endnozarn");
  EXPECT_EQ(run.text, "//!nozarn//!endnozarn c //!endnozarn");
  EXPECT_EQ(run.raw_blocks, (Bodies{" a //!nozarn b ", ""}));
}

TEST_F(RawBlocksTest, EmptyBodiesAndBodiesThatStandEarlier) {
  // An empty block stores an empty body; a body that also stands earlier in
  // the script (a lone line break, a repeated line) is still cut from its own
  // block, and the text earlier is left alone.
  Split("a//!nozarn//!endnozarn b\r\nx\r\n//!nozarn\r\n//!endnozarn\r\n//!nozarn\r\nx\r\n//!endnozarn\r\n");
  EXPECT_EQ(run.text,
            "a//!nozarn//!endnozarn b\r\nx\r\n//!nozarn//!endnozarn\r\n//!nozarn//!endnozarn\r\n");
  EXPECT_EQ(run.raw_blocks, (Bodies{"", "\r\n", "\r\nx\r\n", ""}));
  JoinRawBlocks(run);
  EXPECT_EQ(run.text, "a b\r\nx\r\n\r\n\r\n\r\nx\r\n\r\n");
}

TEST_F(RawBlocksTest, PlaceholdersBeyondTheStoredBodiesAreRemoved) {
  run.raw_blocks = {"B", ""};
  run.text = "1//!nozarn//!endnozarn 2//!nozarn//!endnozarn 3//!nozarn//!endnozarn";
  JoinRawBlocks(run);
  EXPECT_EQ(run.text, "1B 2 3");
}

TEST(RawBlocksPipeline, ContentPassesThroughUntranslated) {
  NullProgress progress;
  zarn::Run run(progress);
  BuildLanguageTables(run);
  const std::size_t rows = run.return_types.size();
  run.lines = {
      "globals",
      "endglobals",
      "//!nozarn",
      "function Raw takes nothing returns integer",
      "var y = 2",
      "free y",
      "return 0",
      "endfunction",
      "//!endnozarn",
      "function F takes nothing returns nothing",
      "var x = 1",
      "endfunction",
  };
  PreprocessScript(run);
  const Lines expected = {
      "globals",
      "endglobals",
      "function Raw takes nothing returns integer",
      "var y = 2",
      "free y",
      "return 0",
      "endfunction",
      "function F takes nothing returns nothing",
      "local integer x = 1",
      "endfunction",
  };
  EXPECT_EQ(run.lines, expected);
  EXPECT_EQ(run.return_types.size(), rows) << "a function inside a raw block was registered";
}

}  // namespace
}  // namespace zarn
