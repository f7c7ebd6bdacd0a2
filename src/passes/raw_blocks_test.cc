#include "passes/raw_blocks.h"

#include <gtest/gtest.h>

#include "core/pipeline.h"

namespace zarn {
namespace {

using Bodies = std::vector<std::string>;
constexpr char kPlaceholder[] = "//!nozarn//!endnozarn";

struct RawBlocksTest : ::testing::Test {
  NullProgress progress;
  zarn::Run run{progress};
  // Splits `script`, checks the text between the passes, and joins it again.
  std::string SplitAndJoin(std::string script, const std::string& between) {
    run.text = std::move(script);
    SplitRawBlocks(run);
    EXPECT_EQ(run.text, between);
    JoinRawBlocks(run);
    return run.text;
  }
};

TEST_F(RawBlocksTest, WhatIsNoBlockStays) {
  for (std::string script : {"x\r\n//!nozarn\r\nvar x = 1\r\n", "//!NOZARN\r\nx\r\n//!endnozarn\r\n"}) {
    EXPECT_EQ(SplitAndJoin(script, script), script);
    EXPECT_EQ(run.raw_blocks, Bodies{""});
  }
}

TEST_F(RawBlocksTest, BlocksComeBackInOrderWithoutDirectives) {
  std::string joined = SplitAndJoin("a\r\n//!nozarn\r\none\r\n//!endnozarn\r\nb//!nozarn t //!nozarn//!endnozarn c\r\n",
                                    std::string("a\r\n") + kPlaceholder + "\r\nb" + kPlaceholder + " c\r\n");
  EXPECT_EQ(joined, "a\r\n\r\none\r\n\r\nb t //!nozarn c\r\n");
  EXPECT_EQ(run.raw_blocks, (Bodies{"\r\none\r\n", " t //!nozarn", ""}));
}

TEST_F(RawBlocksTest, BodiesThatAlsoStandEarlierAreCutFromTheirOwnBlock) {
  std::string joined =
      SplitAndJoin("x\r\n//!nozarn//!endnozarn\r\n//!nozarn\r\n//!endnozarn\r\n//!nozarn\r\nx\r\n//!endnozarn",
                   std::string("x\r\n") + kPlaceholder + "\r\n" + kPlaceholder + "\r\n" + kPlaceholder);
  EXPECT_EQ(run.raw_blocks, (Bodies{"", "\r\n", "\r\nx\r\n", ""}));
  EXPECT_EQ(joined, "x\r\n\r\n\r\n\r\n\r\nx\r\n");
}

TEST_F(RawBlocksTest, PlaceholdersBeyondTheStoredBodiesAreRemoved) {
  run.raw_blocks = {"B", ""};
  run.text = std::string("1") + kPlaceholder + " 2" + kPlaceholder + " 3" + kPlaceholder;
  JoinRawBlocks(run);
  EXPECT_EQ(run.text, "1B 2 3");
}

TEST(RawBlocksPipeline, ContentPassesThroughUntranslated) {
  NullProgress progress;
  zarn::Run run(progress);
  BuildLanguageTables(run);
  const std::size_t rows = run.return_types.size();
  const Lines raw = {"function Raw takes nothing returns integer", "var y = 2", "free y", "endfunction"};
  run.lines = {
      "//!nozarn", raw[0],       raw[1], raw[2], raw[3], "//!endnozarn", "function F takes nothing returns nothing",
      "var x = 1", "endfunction"};
  PreprocessScript(run);
  EXPECT_EQ(SplitText(run.text), (Lines{raw[0], raw[1], raw[2], raw[3], "function F takes nothing returns nothing",
                                        "local integer x = 1", "endfunction"}));
  EXPECT_EQ(run.return_types.size(), rows) << "a function inside a raw block was registered";
}

}  // namespace
}  // namespace zarn
