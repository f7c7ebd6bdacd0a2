// The annotations of scripts that use the old type-cast tricks on purpose:
// "//# +name" turns a group of checks off, "//# -name" on again, for the
// function whose header directly follows the annotation lines only.
#include "check/jass_annotations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/jass_checker.h"

namespace zarn {
namespace {

// Lines of the problems of a self-contained script.
std::vector<std::size_t> ProblemLines(const std::string& script, const jass::FunctionAnnotations* named = nullptr) {
  std::vector<std::size_t> lines;
  for (const JassProblem& p : CheckJassProgram({{"script", script}}, nullptr, named).problems) lines.push_back(p.line);
  return lines;
}

// H2I of the return bug: a handle returned as an integer.
std::string Cast(const std::string& name) {
  return "function " + name + " takes handle h returns integer\nreturn h\nreturn 0\nendfunction\n";
}

TEST(JassAnnotationsTest, TheyHoldForTheFunctionRightBelowOnly) {
  EXPECT_EQ(ProblemLines(Cast("A")), std::vector<std::size_t>{2});
  EXPECT_EQ(ProblemLines("//# +nosemanticerror\n" + Cast("A")), std::vector<std::size_t>{});
  // Not for the next function.
  EXPECT_EQ(ProblemLines("//# +nosemanticerror\n" + Cast("A") + Cast("B")), std::vector<std::size_t>{7});
  // Several lines in a row count together; "-" turns one back on.
  EXPECT_EQ(ProblemLines("//# +rb\n//# +nosemanticerror\n" + Cast("A")), std::vector<std::size_t>{});
  EXPECT_EQ(ProblemLines("//# +rb\n//# -rb\n" + Cast("A")), std::vector<std::size_t>{4});
  EXPECT_EQ(ProblemLines("//# +rb\nconstant " + Cast("A")), std::vector<std::size_t>{});
}

TEST(JassAnnotationsTest, ABlankLineACommentOrABodyBreaksTheLink) {
  EXPECT_EQ(ProblemLines("//# +rb\n\n" + Cast("A")), std::vector<std::size_t>{4});
  EXPECT_EQ(ProblemLines("//# +rb\n// why\n" + Cast("A")), std::vector<std::size_t>{4});
  EXPECT_EQ(ProblemLines("//# +rb\r\n\r\n" + Cast("A")), std::vector<std::size_t>{4});
  // Inside a body an annotation does nothing, there or for the next function.
  EXPECT_EQ(ProblemLines("function A takes handle h returns integer\n//# +rb\nreturn h\nreturn 0\nendfunction\n"),
            std::vector<std::size_t>{3});
  EXPECT_EQ(ProblemLines("function A takes nothing returns nothing\n//# +rb\nendfunction\n" + Cast("B")),
            std::vector<std::size_t>{5});
  // After code on the same line it is no annotation line.
  EXPECT_EQ(ProblemLines("globals\nendglobals //# +rb\n" + Cast("A")), std::vector<std::size_t>{4});
}

TEST(JassAnnotationsTest, EachNameTurnsOffItsOwnChecks) {
  const std::string misspelt = "function A takes handle h returns integer\nset undefined = 1\nreturn h\nendfunction\n";
  // The return bug allows the returned type only.
  EXPECT_EQ(ProblemLines("//# +rb\n" + misspelt), std::vector<std::size_t>{3});
  EXPECT_EQ(ProblemLines("//# +nosemanticerror\n" + misspelt), std::vector<std::size_t>{});
  EXPECT_EQ(ProblemLines("//# +noruntimeerror\n" + misspelt), (std::vector<std::size_t>{3, 4}));
  // Reading an unset local is a fault of the running script.
  const std::string unset = "function A takes nothing returns integer\nlocal integer a\nreturn a\nendfunction\n";
  EXPECT_EQ(ProblemLines(unset), std::vector<std::size_t>{3});
  EXPECT_EQ(ProblemLines("//# +noruntimeerror\n" + unset), std::vector<std::size_t>{});
  // The grammar is judged whatever the annotations say.
  EXPECT_EQ(ProblemLines("//# +nosemanticerror\nfunction A takes nothing returns nothing\nset = 1\nendfunction\n"),
            std::vector<std::size_t>{3});
}

TEST(JassAnnotationsTest, CommentsThatOnlyLookLikeThemChangeNothing) {
  EXPECT_EQ(ProblemLines("//#\n//# set x = +rb\n//#    \n" + Cast("A")), std::vector<std::size_t>{5});
  jass::CheckFlags flags;
  jass::ApplyAnnotation("//# +rb +nosemanticerror", flags);
  EXPECT_FALSE(flags.return_type);
  EXPECT_FALSE(flags.semantic);
  jass::ApplyAnnotation("//#   -rb\t-bogus", flags);
  EXPECT_TRUE(flags.return_type);
  EXPECT_FALSE(flags.semantic);
}

// A run removes comments: the annotations of the script as written reach
// the check of its result by the names of their functions.
TEST(JassAnnotationsTest, TheyAreCollectedByFunctionName) {
  const jass::FunctionAnnotations named = jass::CollectFunctionAnnotations(
      "globals\r\nendglobals\r\n"
      "//# +rb\r\n  //#\t+nosemanticerror\r\nconstant function A takes nothing returns nothing\r\n"
      "endfunction\r\n//# +rb\r\n\r\nfunction B takes nothing returns nothing\r\n"
      "//# +rb\rfunction C takes nothing returns nothing\r\n"
      "call X() //# +rb\nfunction D takes nothing returns nothing\n//# +rb\n");
  ASSERT_NE(named.Find("A"), nullptr);
  EXPECT_FALSE(named.Find("A")->return_type);
  EXPECT_FALSE(named.Find("A")->semantic);
  EXPECT_EQ(named.Find("B"), nullptr);
  ASSERT_NE(named.Find("C"), nullptr);
  EXPECT_FALSE(named.Find("C")->return_type);
  EXPECT_EQ(named.Find("D"), nullptr);
  EXPECT_TRUE(jass::CollectFunctionAnnotations("function A takes nothing returns nothing\n").empty());

  // Applied by name where the text has no annotation left.
  EXPECT_EQ(ProblemLines(Cast("A") + Cast("B") + Cast("C"), &named), std::vector<std::size_t>{6});
}

}  // namespace
}  // namespace zarn
