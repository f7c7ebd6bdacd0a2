#include "passes/import_directive.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

std::vector<std::string> Paths(std::string_view text) {
  std::vector<std::string> paths;
  for (const ImportLine& line : FindImportLines(text))
    paths.push_back(std::to_string(line.line) + (line.malformed ? "!" : ":") + line.path);
  return paths;
}

TEST(ImportDirectiveTest, OnlyALineOfItsOwnInCodeIsADirective) {
  EXPECT_EQ(Paths("//!import \"a.j\"\r\n  \t//!import \"b.j\"  \ncall f() //!import \"c.j\"\r//!import \"d.j\""),
            (std::vector<std::string>{"0:a.j", "1:b.j", "3:d.j"}));
  // vJass's own directive, a longer word and other directives are not ours.
  EXPECT_TRUE(Paths("//! import \"a.j\"\n//!imports \"b.j\"\n//!nozarn\n").empty());
  // Inside a string across lines, a block comment or a raw block: data.
  EXPECT_TRUE(Paths("set s = \"x\n//!import \"a.j\"\n").empty());
  EXPECT_TRUE(Paths("/* old:\n//!import \"a.j\"\n*/\n").empty());
  EXPECT_TRUE(Paths("//!nozarn\n//!import \"a.j\"\n//!endnozarn\n").empty());
  // An unclosed string, comment or raw block hides nothing; the lines that
  // literals and comments spanned are counted.
  EXPECT_EQ(Paths("set s = \"a\\\"\nb\"\n/*\n*/\n'x\n//!import \"a.j\"\n"), (std::vector<std::string>{"5:a.j"}));
  EXPECT_EQ(Paths("//!nozarn\n//!import \"a.j\"\n"), (std::vector<std::string>{"1:a.j"}));
  // A quote left open pairs with the directive's own: the line is in a string.
  EXPECT_TRUE(Paths("x \"\n//!import \"a.j\"\n").empty());
  // A NUL ends the text.
  EXPECT_TRUE(Paths(std::string("x\n\0//!import \"a.j\"\n", 18)).empty());
}

TEST(ImportDirectiveTest, AMalformedDirectiveIsMarked) {
  EXPECT_EQ(Paths("//!import\n//!import a.j\n//!import \"\"\n//!import \"a.j\" x\n//!import \"a.j\n"),
            (std::vector<std::string>{"0!", "1!", "2!", "3!a.j", "4!"}));
  const std::vector<ImportLine> lines = FindImportLines("x\r\n  //!import \"a.j\"\r\ny");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].begin, 3u);
  EXPECT_EQ(lines[0].directive, 5u);
  EXPECT_EQ(lines[0].end, 20u);
  EXPECT_EQ(lines[0].break_end, 22u);
}

}  // namespace
}  // namespace zarn
