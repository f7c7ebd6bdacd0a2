// Returns and unset locals follow one rule of paths through nested ifs and
// loops.
#include "check/jass_flow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/jass_checker.h"

namespace zarn {
namespace {

constexpr const char* kHeader =
    "globals\ninteger g = 1\nendglobals\nfunction x takes nothing returns nothing\nendfunction\n";

// "LINE: message" of each problem of a function F around `body` (its first
// line is line 7), after kHeader.
std::vector<std::string> Problems(const std::string& body, const std::string& returns = "nothing") {
  const std::string script =
      std::string(kHeader) + "function F takes integer p returns " + returns + "\n" + body + "endfunction\n";
  std::vector<std::string> out;
  for (const JassProblem& p : CheckJassProgram({{"script", script}}, nullptr).problems)
    out.push_back(std::to_string(p.line) + ": " + p.message);
  return out;
}

const std::vector<std::string> kNone;

std::vector<std::string> MissingReturn(int line) {
  return {std::to_string(line) + ": missing return at the end of \"F\", which returns integer"};
}

std::vector<std::string> Unset(int line, const std::string& name = "a") {
  return {std::to_string(line) + ": variable \"" + name + "\" is read before it is set"};
}

TEST(JassFlowTest, ABodyReturnsWhenOneOfItsStatementsDoes) {
  EXPECT_EQ(Problems("return 1337\ncall x()\n", "integer"), kNone);
  EXPECT_EQ(Problems("loop\nreturn 1\nendloop\n", "integer"), kNone);
  EXPECT_EQ(Problems("loop\nexitwhen true\nif true then\nreturn 1\nelse\nreturn 2\nendif\nendloop\n", "integer"),
            kNone);
  EXPECT_EQ(Problems("if p > 0 then\nloop\nreturn 1\nendloop\nelseif p < 0 then\nif true then\nreturn 2\nelse\n"
                     "return 3\nendif\nelse\nreturn 4\nendif\n",
                     "integer"),
            kNone);
  // An if without an else, or with a branch that does not return, does not.
  EXPECT_EQ(Problems("if true then\nreturn 1\nendif\n", "integer"), MissingReturn(10));
  EXPECT_EQ(Problems("if true then\nreturn 1\nelse\ncall x()\nendif\n", "integer"), MissingReturn(12));
  EXPECT_EQ(Problems("loop\nif true then\nreturn 1\nendif\nendloop\n", "integer"), MissingReturn(12));
}

TEST(JassFlowTest, ALocalIsReadOnlyAfterASetOnSomePath) {
  EXPECT_EQ(Problems("local integer a\nreturn a\n", "integer"), Unset(8));
  EXPECT_EQ(Problems("local integer a\nset a = a + 1\n"), Unset(8));
  // A local hides the global of its name, set or not.
  EXPECT_EQ(Problems("local integer g\nset g = g\n"), Unset(8, "g"));
  // Parameters, locals with a value and arrays count as set.
  EXPECT_EQ(Problems("local integer a = p\nlocal integer array b\nset a = b[a] + p\n"), kNone);
  EXPECT_EQ(Problems("local integer a\nset a = 1\nreturn a\n", "integer"), kNone);
  // A set in any branch of an earlier if, a returning one too.
  EXPECT_EQ(Problems("local integer a\nif p > 0 then\nset a = 1\nendif\nset p = a\n"), kNone);
  EXPECT_EQ(Problems("local integer a\nif p > 0 then\nset a = 1\nreturn\nendif\nset p = a\n"), kNone);
  EXPECT_EQ(Problems("local integer a\nif p > 0 then\nelseif p < 0 then\nset a = 1\nelse\nendif\nset p = a\n"), kNone);
  // Not one in another branch of the same if, or after the read.
  EXPECT_EQ(Problems("local integer a\nif p > 0 then\nset a = 1\nelse\nset p = a\nendif\n"), Unset(11));
  EXPECT_EQ(Problems("local integer a\nset p = a\nset a = 1\n"), Unset(8));
}

TEST(JassFlowTest, InALoopTheNextRoundBringsTheSetBeforeTheRead) {
  EXPECT_EQ(Problems("local integer a\nloop\nexitwhen p > 9\nif p > 1 then\nset p = a\nendif\nset a = p\n"
                     "endloop\n"),
            kNone);
  EXPECT_EQ(Problems("local integer a\nloop\nloop\nset p = a\nendloop\nset a = 1\nendloop\nset p = a\n"), kNone);
  // A loop that never sets it: reported at the read, in line order with the
  // problems after the loop.
  EXPECT_EQ(Problems("local integer a\nlocal integer b\nloop\nloop\nset p = a\nendloop\nset b = 1\nendloop\n"
                     "set p = undefined\n"),
            (std::vector<std::string>{"11: variable \"a\" is read before it is set",
                                      "15: undefined variable \"undefined\""}));
  // One problem a line, though a loop's reads are settled at its end.
  EXPECT_EQ(Problems("local integer a\nloop\nset p = undefined + a\nendloop\n"),
            std::vector<std::string>{"9: undefined variable \"undefined\""});
  // A set in an earlier loop counts after it, not a later loop's.
  EXPECT_EQ(Problems("local integer a\nloop\nset a = 1\nendloop\nset p = a\n"), kNone);
  EXPECT_EQ(Problems("local integer a\nloop\nset p = a\nendloop\nloop\nset a = 1\nendloop\n"), Unset(9));
}

TEST(JassFlowTest, EachFunctionStartsAfresh) {
  EXPECT_EQ(Problems("local integer a\nset a = 1\nendfunction\nfunction G takes nothing returns integer\n"
                     "local integer a\nreturn a\n",
                     "nothing"),
            Unset(12));
}

}  // namespace
}  // namespace zarn
