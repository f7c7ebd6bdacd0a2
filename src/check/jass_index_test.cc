#include "check/jass_index.h"

#include <gtest/gtest.h>

#include "check/jass_checker.h"

namespace zarn {
namespace {

TEST(JassIndex, DeclarationsAndUsesWithPlacesAndTypes) {
  const std::string script =
      "type hero extends handle\n"
      "globals\n"
      "constant integer LIMIT = 3\n"
      "endglobals\n"
      "function Twice takes integer n returns integer\n"
      "local real r = n\n"
      "return n * 2 + LIMIT\n"
      "endfunction\n"
      "function Main takes nothing returns nothing\n"
      "call Twice(LIMIT)\n"
      "endfunction\n";
  JassIndex index;
  const JassCheckResult result = CheckJassProgram({{"", script}}, nullptr, nullptr, {&index, nullptr});
  EXPECT_TRUE(result.problems.empty());
  std::vector<std::string> names;
  for (const JassDeclaration& d : index.declarations) names.push_back(d.name);
  EXPECT_EQ(names, (std::vector<std::string>{"hero", "LIMIT", "Twice", "n", "r", "Main"}));

  const JassDeclaration* r = index.Find("Twice", "r");
  ASSERT_TRUE(r);
  EXPECT_EQ(JassSignature(*r), "local real r");
  EXPECT_EQ(r->line, 6u);
  EXPECT_EQ(r->column, 12u);
  EXPECT_EQ(index.Find("Main", "r"), nullptr);
  EXPECT_EQ(JassSignature(*index.Find("Main", "Twice")), "function Twice takes integer n returns integer");
  EXPECT_EQ(JassSignature(*index.Find("", "hero")), "type hero extends handle");
  EXPECT_EQ(JassSignature(*index.Find("", "LIMIT")), "constant integer LIMIT");

  // LIMIT is used on lines 7 and 10, n twice, each time the parameter.
  std::size_t limit = 0, n = 0;
  for (const JassUse& use : index.uses) {
    const std::string& name = index.declarations[use.declaration].name;
    limit += name == "LIMIT";
    n += name == "n";
    if (name == "n") EXPECT_EQ(index.declarations[use.declaration].kind, JassSymbolKind::kParameter);
  }
  EXPECT_EQ(limit, 2u);
  EXPECT_EQ(n, 2u);
}

// Many names and one name in many functions: the table grows past its first
// size and keeps each name's declarations in the order read.
TEST(JassIndex, FindsEveryNameAfterTheTableGrows) {
  JassIndex index;
  for (int i = 0; i < 500; ++i) {
    const std::string function = "F" + std::to_string(i);
    index.Add({JassSymbolKind::kFunction, function, "nothing"});
    index.Add({JassSymbolKind::kLocal, "i", i % 2 ? "integer" : "real", function});
    index.Add({JassSymbolKind::kGlobal, "g" + std::to_string(i), "unit"});
  }
  index.Add({JassSymbolKind::kGlobal, "i", "boolean"});
  index.Add({JassSymbolKind::kType, "F7", "handle"});
  for (int i = 0; i < 500; ++i) {
    const std::string function = "F" + std::to_string(i);
    const JassDeclaration* local = index.Find(function, "i");
    ASSERT_TRUE(local);
    EXPECT_EQ(local->function, function);
    ASSERT_TRUE(index.Find("", "g" + std::to_string(i)));
    EXPECT_EQ(index.FindTopLevel(function, false)->kind, JassSymbolKind::kFunction);
  }
  EXPECT_EQ(index.Find("", "i")->type, "boolean");
  EXPECT_EQ(index.Find("Other", "i")->type, "boolean");
  EXPECT_EQ(index.FindTopLevel("F7", true)->type, "handle");
  EXPECT_EQ(index.Find("", "F7")->kind, JassSymbolKind::kFunction);
  EXPECT_EQ(index.Find("", "g500"), nullptr);
  EXPECT_EQ(JassIndex().Find("", "i"), nullptr);
}

TEST(JassIndex, AssumedNamesAreDeclaredOfNoTypeInTheirFunctionOnly) {
  const std::string script =
      "native KillUnit takes handle h returns nothing\n"
      "function A takes nothing returns nothing\n"
      "call KillUnit(x)\n"
      "set g = 5\n"
      "endfunction\n"
      "function B takes nothing returns nothing\n"
      "call KillUnit(x)\n"
      "endfunction\n";
  const std::vector<JassAssumedName> assumed = {{"A", "x"}, {"", "g"}};
  const JassCheckResult result = CheckJassProgram({{"", script}}, nullptr, nullptr, {nullptr, &assumed});
  ASSERT_EQ(result.problems.size(), 1u);
  EXPECT_EQ(result.problems[0].line, 7u);
  EXPECT_NE(result.problems[0].message.find("undefined variable \"x\""), std::string::npos);
}

}  // namespace
}  // namespace zarn
