// Suggestions for undefined names: close declared names only, closest
// first, ties in declaration order, never unrelated ones.
#include "check/jass_suggestions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/jass_checker.h"

namespace zarn {
namespace {

std::string FirstProblem(const std::string& script) {
  const std::vector<JassProblem> problems = CheckJassProgram({{"script", script}}, nullptr).problems;
  return problems.empty() ? "" : problems.front().message;
}

std::string Declares(const std::vector<std::string>& names) {
  std::string script;
  for (const std::string& name : names) script += "function " + name + " takes nothing returns nothing\nendfunction\n";
  return script;
}

std::string Calling(const std::string& name) {
  return "function Caller takes nothing returns nothing\ncall " + name + "()\nendfunction\n";
}

TEST(JassSuggestionsTest, EditsCountInsertionsDeletionsReplacementsAndSwaps) {
  EXPECT_EQ(jass::EditDistance("KillUnit", "KillUnit", 2), 0u);
  EXPECT_EQ(jass::EditDistance("KillUnitt", "KillUnit", 2), 1u);
  EXPECT_EQ(jass::EditDistance("KilUnit", "KillUnit", 2), 1u);
  EXPECT_EQ(jass::EditDistance("KillUnjt", "KillUnit", 2), 1u);
  EXPECT_EQ(jass::EditDistance("KillUnti", "KillUnit", 2), 1u);
  EXPECT_EQ(jass::EditDistance("KlilUnti", "KillUnit", 2), 2u);
  EXPECT_EQ(jass::EditDistance("CreateUnit", "KillUnit", 2), 3u);  // over the limit
  EXPECT_EQ(jass::EditDistance("ab", "abcde", 2), 3u);
}

TEST(JassSuggestionsTest, CloseNamesFirstThenInDeclarationOrder) {
  const std::string declared = Declares({"KillUnitsC", "KillUnitB", "KillUnit", "KillUnitA", "KillUnitD"});
  EXPECT_EQ(FirstProblem(declared + Calling("KillUnitt")),
            "undefined function \"KillUnitt\" (did you mean \"KillUnitB\", \"KillUnit\" or \"KillUnitA\"?)");
  EXPECT_EQ(FirstProblem(declared + Calling("KillUnitsCC")),
            "undefined function \"KillUnitsCC\" (did you mean \"KillUnitsC\"?)");
  EXPECT_EQ(FirstProblem(Declares({"GetUnitX", "GetUnitY"}) + Calling("GetUnitZ")),
            "undefined function \"GetUnitZ\" (did you mean \"GetUnitX\" or \"GetUnitY\"?)");
}

TEST(JassSuggestionsTest, UnrelatedAndShortNamesWithinOneEditOnly) {
  EXPECT_EQ(FirstProblem(Declares({"CreateUnit"}) + Calling("KillUnit")), "undefined function \"KillUnit\"");
  // Four characters or fewer: one edit at most.
  EXPECT_EQ(FirstProblem(Declares({"Fab", "Fo"}) + Calling("Foo")),
            "undefined function \"Foo\" (did you mean \"Fo\"?)");
  EXPECT_EQ(FirstProblem(Declares({"Fbar"}) + Calling("Foo")), "undefined function \"Foo\"");
  // Names declared below are not offered.
  EXPECT_EQ(FirstProblem(Calling("KillUnitt") + Declares({"KillUnit"})), "undefined function \"KillUnitt\"");
}

TEST(JassSuggestionsTest, VariablesAndTypesToo) {
  EXPECT_EQ(FirstProblem("globals\ninteger counter = 0\nendglobals\n"
                         "function F takes integer countr returns nothing\nlocal integer county = 0\n"
                         "set countre = 1\nendfunction\n"),
            "undefined variable \"countre\" (did you mean \"counter\", \"countr\" or \"county\"?)");
  EXPECT_EQ(FirstProblem("type widget extends handle\nglobals\nwidgte w\nendglobals\n"),
            "undefined type \"widgte\" (did you mean \"widget\"?)");
  EXPECT_EQ(FirstProblem("globals\nintger i\nendglobals\n"), "undefined type \"intger\" (did you mean \"integer\"?)");
}

}  // namespace
}  // namespace zarn
