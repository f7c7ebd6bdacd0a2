// The annotations of scripts that use the old type-cast tricks on purpose:
// "//# +name" turns a group of checks off, "//# -name" on again; outside a
// function it holds until turned back, inside one to the function's end.
#include "check/jass_annotations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/jass_checker.h"

namespace zarn {
namespace {

// Lines of the problems of a self-contained script.
std::vector<std::size_t> ProblemLines(const std::string& script) {
  std::vector<std::size_t> lines;
  for (const JassProblem& p : CheckJassProgram({{"script", script}}, nullptr).problems) lines.push_back(p.line);
  return lines;
}

// H2I of the return bug: a handle returned as an integer, and a misspelt
// name besides.
std::string Cast(const std::string& name) {
  return "function " + name + " takes handle h returns integer\nreturn h\nreturn 0\nendfunction\n";
}

TEST(JassAnnotationsTest, BeforeAFunctionTheyHoldUntilTurnedBack) {
  EXPECT_EQ(ProblemLines(Cast("A")), std::vector<std::size_t>{2});
  EXPECT_EQ(ProblemLines("//# +nosemanticerror\n" + Cast("A") + Cast("B")), std::vector<std::size_t>{});
  // Turned back on: the third function is judged again.
  EXPECT_EQ(ProblemLines("//# +nosemanticerror\n" + Cast("A") + "//# -nosemanticerror\n" + Cast("B")),
            std::vector<std::size_t>{8});
}

TEST(JassAnnotationsTest, InsideAFunctionTheyHoldToItsEnd) {
  const std::string inside =
      "function A takes handle h returns integer\n//# +rb\nreturn h\nreturn 0\nendfunction\n";
  EXPECT_EQ(ProblemLines(inside + Cast("B")), std::vector<std::size_t>{7});
  EXPECT_EQ(ProblemLines("//# +rb\n" + Cast("A") + "function B takes nothing returns nothing\n//# -rb\n"
                         "endfunction\n" + Cast("C")),
            std::vector<std::size_t>{});
}

TEST(JassAnnotationsTest, EachNameTurnsOffItsOwnChecks) {
  const std::string misspelt = "function A takes handle h returns integer\nset undefined = 1\nreturn h\nendfunction\n";
  // The return bug allows the returned type only.
  EXPECT_EQ(ProblemLines("//# +rb\n" + misspelt), std::vector<std::size_t>{3});
  EXPECT_EQ(ProblemLines("//# +nosemanticerror\n" + misspelt), std::vector<std::size_t>{});
  EXPECT_EQ(ProblemLines("//# +noruntimeerror\n" + misspelt), (std::vector<std::size_t>{3, 4}));
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

}  // namespace
}  // namespace zarn
