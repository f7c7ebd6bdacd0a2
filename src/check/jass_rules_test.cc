// The full check's rules, each as small faulty programs with their valid
// twins, over a small API written like common.j.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/jass_checker.h"

namespace zarn {
namespace {

constexpr const char* kApi =
    "type agent extends handle\n"
    "type widget extends agent\n"
    "type unit extends widget\n"
    "type unitstate extends handle\n"
    "type trigger extends agent\n"
    "type group extends agent\n"
    "constant native ConvertUnitState takes integer i returns unitstate\n"
    "native KillUnit takes unit whichUnit returns nothing\n"
    "native GetTriggerUnit takes nothing returns unit\n"
    "native SetUnitState takes unit whichUnit, unitstate whichUnitState, real newVal returns nothing\n"
    "native TriggerAddAction takes trigger t, code actionFunc returns nothing\n"
    "native I2S takes integer i returns string\n"
    "constant native GetObjectName takes integer objectId returns string\n"
    "native CreateGroup takes nothing returns group\n"
    "globals\n"
    "constant unitstate UNIT_STATE_LIFE = ConvertUnitState(0)\n"
    "constant real bj_PI = 3.14159\n"
    "integer array bj_counts\n"
    "endglobals\n";

// "LINE: message" for each problem of the script, checked after kApi.
std::vector<std::string> Problems(const std::string& script) {
  std::vector<std::string> out;
  for (const JassProblem& p : CheckJassProgram({{"api", kApi}, {"script", script}}, nullptr).problems)
    out.push_back((p.source == 0 ? "api " : "") + std::to_string(p.line) + ": " + p.message);
  return out;
}

// A function F around `body`, which starts on line 2.
std::string Fn(const std::string& body, const std::string& returns = "nothing") {
  return "function F takes nothing returns " + returns + "\n" + body + "endfunction\n";
}

void Refused(const std::string& script, std::size_t line, const std::string& message) {
  EXPECT_EQ(Problems(script), std::vector<std::string>{std::to_string(line) + ": " + message}) << script;
}

void Clean(const std::string& script) { EXPECT_EQ(Problems(script), std::vector<std::string>{}) << script; }

TEST(JassRulesTest, NamesAreDeclaredBeforeUse) {
  Refused(Fn("call KillUnitt(GetTriggerUnit())\n"), 2, "undefined function \"KillUnitt\" (did you mean \"KillUnit\"?)");
  Clean(Fn("call KillUnit(GetTriggerUnit())\n"));
  // A function may call itself and those above it, not those below.
  Refused(Fn("call G()\n") + "function G takes nothing returns nothing\nendfunction\n", 2,
          "undefined function \"G\" (did you mean \"F\"?)");
  Clean("function G takes nothing returns nothing\nendfunction\n" + Fn("call G()\ncall F()\n"));
  Refused(Fn("local integer speed = 1\nset speed = sped\n"), 3,
          "undefined variable \"sped\" (did you mean \"speed\"?)");
  Refused(Fn("local untit u\n"), 2, "undefined type \"untit\" (did you mean \"unit\"?)");
  // Parameters and locals belong to their own function only.
  Refused("function G takes integer p returns nothing\nlocal integer l\nendfunction\n" + Fn("set p = 1\n"), 5,
          "undefined variable \"p\"");
  Refused("function G takes integer p returns nothing\nlocal integer l\nendfunction\n" + Fn("set l = 1\n"), 5,
          "undefined variable \"l\"");
  // A global below its use is not yet declared.
  Refused(Fn("set later = 1\n") + "globals\ninteger later\nendglobals\n", 2, "undefined variable \"later\"");
  // A local may hide a global.
  Clean("globals\nstring s\nendglobals\n" + Fn("local integer s = 1\nset s = s + 1\n"));
  // Natives the API has, declared again.
  Refused("native KillUnit takes unit whichUnit returns nothing\n", 1, "\"KillUnit\" is already declared");
}

TEST(JassRulesTest, TypesFollowTheTreeWithNullAndIntegerWidening) {
  Clean(Fn("local widget w = GetTriggerUnit()\nlocal handle h = w\n"));
  Refused(Fn("local widget w = GetTriggerUnit()\nlocal unit u = w\n"), 3, "cannot use widget as unit");
  Refused(Fn("local trigger t = GetTriggerUnit()\n"), 2, "cannot use unit as trigger");
  Clean(Fn("local unit u = null\nlocal string s = null\nlocal code c = null\n"));
  Refused(Fn("local boolean b = null\n"), 2, "cannot use null as boolean");
  // integer widens to real in assignments and arguments, never back.
  Clean(Fn("local real r = 5\ncall SetUnitState(null, UNIT_STATE_LIFE, 5)\n"));
  Refused(Fn("local integer i = 1.5\n"), 2, "cannot use real as integer");
  Refused(Fn("call SetUnitState(null, UNIT_STATE_LIFE, \"5\")\n"), 2,
          "argument 3 of \"SetUnitState\": cannot use string as real");
  Refused(Fn("call SetUnitState(null, \"life\", 5)\n"), 2,
          "argument 2 of \"SetUnitState\": cannot use string as unitstate");
  // A real function returns a real: the game's loader takes no integer there.
  Refused(Fn("return 0\n", "real"), 2, "return of \"F\": cannot use integer as real");
  Clean(Fn("return 0.\n", "real"));
  Refused(Fn("return GetTriggerUnit()\n", "integer"), 2, "return of \"F\": cannot use unit as integer");
  Clean(Fn("return GetTriggerUnit()\n", "widget"));
}

TEST(JassRulesTest, OperatorsTakeTheirTypes) {
  Clean(Fn("local string s = \"a\" + I2S(1) + null\n"));
  Refused(Fn("local string s = \"a\" + 1\n"), 2, "cannot use \"+\" on string and integer");
  Clean(Fn("local real r = 1 + 2.5 * 3 / 2 - + .05\nlocal integer i = 7 % 3\n"));
  Refused(Fn("local real r = 7.5 % 2\n"), 2, "cannot use \"%\" on real and integer");
  Clean(Fn("local boolean b = GetTriggerUnit() == null or GetTriggerUnit() != GetTriggerUnit()\n"));
  Refused(Fn("local boolean b = GetTriggerUnit() < GetTriggerUnit()\n"), 2, "cannot use \"<\" on unit and unit");
  Refused(Fn("local boolean b = 1 and true\n"), 2, "cannot use \"and\" on integer and boolean");
  Refused(Fn("local boolean b = not 1\n"), 2, "cannot use \"not\" on integer");
  Refused(Fn("local integer i = -\"a\"\n"), 2, "cannot use \"-\" on string");
  // "not" takes the whole comparison after it.
  Clean(Fn("local boolean b = not 1 == 2\n"));
  Refused(Fn("local boolean b = 1 == \"1\"\n"), 2, "cannot use \"==\" on integer and string");
}

TEST(JassRulesTest, CallsHaveTheirArgumentsAndCodeTakesNothing) {
  Refused(Fn("call KillUnit(GetTriggerUnit(), 1)\n"), 2, "\"KillUnit\" takes 1 argument, 2 given");
  Refused(Fn("call SetUnitState(GetTriggerUnit())\n"), 2, "\"SetUnitState\" takes 3 arguments, 1 given");
  Refused(Fn("call KillUnit(\"footman\")\n"), 2, "argument 1 of \"KillUnit\": cannot use string as unit");
  // A call may drop the value; a value may not come from a call of nothing.
  Clean(Fn("call GetTriggerUnit()\n"));
  Refused(Fn("local unit u = KillUnit(null)\n"), 2, "\"KillUnit\" returns nothing; its call gives no value");
  Refused(Fn("local integer i = GetTriggerUnit\n"), 2, "function \"GetTriggerUnit\" used without \"(\"");
  const std::string actions =
      "function A takes nothing returns nothing\nendfunction\n"
      "function P takes integer i returns nothing\nendfunction\n";
  Clean(actions + Fn("call TriggerAddAction(null, function A)\n"));
  Refused(actions + Fn("call TriggerAddAction(null, function P)\n"), 6,
          "\"function P\" needs a function that takes nothing; \"P\" takes 1 argument");
  Refused(actions + Fn("local integer i = function A\n"), 6, "cannot use code as integer");
  Refused(Fn("call TriggerAddAction(null, function Missing)\n"), 2, "undefined function \"Missing\"");
}

TEST(JassRulesTest, SetNeedsAVariableOfItsKind) {
  Refused(Fn("set bj_PI = 3\n"), 2, "cannot set constant \"bj_PI\"");
  Refused(Fn("set bj_counts = 3\n"), 2, "array \"bj_counts\" needs an index");
  Clean(Fn("set bj_counts[2] = 3\n"));
  Refused(Fn("local integer i\nset i[0] = 3\n"), 3, "\"i\" is not an array");
  Refused(Fn("local integer i = bj_counts\n"), 2, "array \"bj_counts\" used without index");
  Refused(Fn("set bj_counts[1.5] = 3\n"), 2, "index of \"bj_counts\": cannot use real as integer");
  Refused(Fn("local unit u\nset u = \"footman\"\n"), 3, "set \"u\": cannot use string as unit");
  Refused(Fn("local integer array a = 1\n"), 2, "array \"a\" cannot have an initial value");
  Refused("globals\nconstant integer N\nendglobals\n", 2, "constant \"N\" needs a value");
}

TEST(JassRulesTest, ReturnsMatchTheFunctionAndEndIt) {
  Refused(Fn("return 0\n"), 2, "\"F\" returns nothing: return without a value");
  Clean(Fn("return\n"));
  Refused(Fn("return\n", "integer"), 2, "\"F\" returns integer: return a value");
  Refused(Fn("local integer i = 1\n", "integer"), 3, "missing return at the end of \"F\", which returns integer");
  Refused(Fn("if true then\nreturn 1\nendif\n", "integer"), 5,
          "missing return at the end of \"F\", which returns integer");
  Clean(Fn("if true then\nreturn 1\nelseif false then\nreturn 2\nelse\nreturn 3\nendif\n", "integer"));
  Clean(Fn("loop\nexitwhen true\nendloop\nreturn 1\n", "integer"));
}

TEST(JassRulesTest, LocalsAreDeclaredOncePerFunction) {
  Refused(Fn("local integer i\nlocal real i\n"), 3, "\"i\" is already declared");
  Refused("function G takes integer i returns nothing\nlocal integer i\nendfunction\n", 2, "\"i\" is already declared");
  Clean(Fn("local integer i\n") + "function G takes nothing returns nothing\nlocal integer i\nendfunction\n");
  // Past a few dozen locals they are found through an index.
  std::string many;
  for (int i = 0; i < 100; ++i) many += "local integer l" + std::to_string(i) + " = " + std::to_string(i) + "\n";
  Clean(Fn(many + "set l0 = l99 + l50\n"));
  Refused(Fn(many + "local real l42\n"), 102, "\"l42\" is already declared");
  Refused(Fn(many + "set l100 = 1\n"), 102, "undefined variable \"l100\" (did you mean \"l10\"?)");
}

TEST(JassRulesTest, DeepOrLongInputEndsWithItsProblem) {
  Refused(Fn("local boolean b = " + std::string(5000, '(') + "true" + std::string(5000, ')') + "\n"), 2,
          "Expression nested too deeply");
  std::string nots;
  for (int i = 0; i < 5000; ++i) nots += "not ";
  Refused(Fn("local boolean b = " + nots + "true\n"), 2, "Expression nested too deeply");
  std::string globals = "globals\n";
  for (int i = 0; i < 20000; ++i) globals += "integer g" + std::to_string(i) + "\n";
  Clean(globals + "endglobals\n" + Fn("set g19999 = g0 + g12345\n"));
}

TEST(JassRulesTest, ConditionsAreBooleans) {
  Refused(Fn("loop\nexitwhen 1\nendloop\n"), 3, "condition of \"exitwhen\": cannot use integer as boolean");
  Refused(Fn("if \"yes\" then\nendif\n"), 2, "condition of \"if\": cannot use string as boolean");
  Refused(Fn("if true then\nelseif GetTriggerUnit() then\nendif\n"), 3,
          "condition of \"elseif\": cannot use unit as boolean");
  Clean(Fn("loop\nexitwhen GetTriggerUnit() == null\nendloop\n"));
}

TEST(JassRulesTest, LiteralsStayInTheirLimits) {
  Refused(Fn("local integer i = 'hfo'\n"), 2, "rawcode 'hfo' has 3 characters; it must have 1 or 4");
  Refused(Fn("local integer i = 'hfoot'\n"), 2, "rawcode 'hfoot' has 5 characters; it must have 1 or 4");
  Clean(Fn("local integer i = 'hfoo' + 'A' + '\\\\'\n"));
  Refused(Fn("local integer i = '\\'\\'\\''\n"), 2, "rawcode '\\'\\'\\'' has 3 characters; it must have 1 or 4");
  Clean(Fn("local string s = \"" + std::string(1023, 'x') + "\"\nlocal string t = \"" + std::string(1020, 'x') +
           "\\\\\\\"\"\n"));
  Refused(Fn("local string s = \"" + std::string(1024, 'x') + "\"\n"), 2,
          "string literal of 1024 bytes; the game reads at most 1023");
  Clean(Fn("local integer i = 42 + 017 + 0x1F + $1f + 0X1F\n"));
  Refused(Fn("local integer i = 08\n"), 2, "Malformed number \"08\"");
}

TEST(JassRulesTest, OneProblemALineAndEachFaultOnItsOwnLine) {
  const std::vector<std::string> problems =
      Problems(Fn("local integer i = 'abc'\n"
                  "call KillUnit(GetTriggerUnit(), 1)\n"
                  "set bj_PI = 1\n"
                  "set i = \"x\" + 1 + sped\n"
                  "return 0\n"));
  EXPECT_EQ(problems, (std::vector<std::string>{
                          "2: rawcode 'abc' has 3 characters; it must have 1 or 4",
                          "3: \"KillUnit\" takes 1 argument, 2 given",
                          "4: cannot set constant \"bj_PI\"",
                          "5: cannot use \"+\" on string and integer",
                          "6: \"F\" returns nothing: return without a value",
                      }));
}

TEST(JassRulesTest, VJassKeepsTheLiteralAndBalanceCheckOnly) {
  const JassCheckResult result = CheckJassProgram(
      {{"api", kApi}, {"script", "library L\n" + Fn("call Nowhere(1, 2)\n") + "endlibrary\n"}}, nullptr);
  EXPECT_TRUE(result.vjass);
  EXPECT_TRUE(result.problems.empty());
}

TEST(JassRulesTest, ComparisonsBindTighterThanEquality) {
  Clean(Fn("return 5 > 4 == 5 < 7\n", "boolean"));
  Clean(Fn("return 1 + 2 < 4 != false\n", "boolean"));
  Refused(Fn("return (5 > 4 == 5) < 7\n", "boolean"), 2, "cannot use \"==\" on boolean and integer");
  // "not" still takes the whole comparison.
  Clean(Fn("return not 1 < 2 == true\n", "boolean"));
}

TEST(JassRulesTest, NullFitsARealButIsNoReturnOfIntegerRealOrCode) {
  Clean("globals\nreal g = null\nendglobals\n" +
        Fn("local real r = null\nlocal integer i = null\nset r = null\n"
           "set i = null\nset bj_counts[null] = 1\nif i == null then\nendif\n"));
  Refused(Fn("return null\n", "real"), 2, "return of \"F\": cannot use null as real");
  Refused(Fn("return null\n", "integer"), 2, "return of \"F\": cannot use null as integer");
  Refused(Fn("return null\n", "code"), 2, "return of \"F\": cannot use null as code");
  Clean(Fn("return null\n", "unit") + Fn("return null\n", "string").replace(9, 1, "G"));
}

TEST(JassRulesTest, ConstantFunctionsSetNoGlobalAndCallOnlyConstants) {
  const std::string globals = "globals\ninteger x = 0\nendglobals\n";
  Refused(globals + "constant function foo takes nothing returns nothing\nset x = 1\nendfunction\n", 5,
          "constant function \"foo\" sets global \"x\"");
  Refused(globals + "constant function foo takes nothing returns nothing\nset bj_counts[0] = 1\nendfunction\n", 5,
          "constant function \"foo\" sets global \"bj_counts\"");
  Refused("constant function foo takes nothing returns nothing\ncall KillUnit(null)\nendfunction\n", 2,
          "constant function \"foo\" calls \"KillUnit\", which is not constant");
  Refused(
      "function bar takes nothing returns nothing\nendfunction\n"
      "constant function foo takes nothing returns nothing\ncall bar()\nendfunction\n",
      4, "constant function \"foo\" calls \"bar\", which is not constant");
  Refused("constant function foo takes nothing returns integer\nlocal integer a\nreturn a\nendfunction\n", 3,
          "variable \"a\" is read before it is set");
  // Locals, globals read, constant natives and constant functions are fine.
  Clean(globals +
        "constant function bar takes integer p returns integer\nreturn p + x\nendfunction\n"
        "constant function foo takes nothing returns integer\nlocal integer a = bar(1)\nset a = a + 1\n"
        "call ConvertUnitState(a)\nreturn a\nendfunction\n");
}

TEST(JassRulesTest, CodeIsAFunctionOfTheScript) {
  Refused(Fn("call TriggerAddAction(null, function GetTriggerUnit)\n"), 2,
          "native \"GetTriggerUnit\" cannot be code; only a function of the script can");
  Clean("function A takes nothing returns nothing\nendfunction\n" + Fn("call TriggerAddAction(null, function A)\n"));
}

TEST(JassRulesTest, ACallTakesAtMost31Arguments) {
  std::string params, args31, args32;
  for (int i = 0; i < 32; ++i) {
    params += std::string(i ? ", " : "") + "integer p" + std::to_string(i);
    if (i < 31) args31 += std::string(i ? ", " : "") + "1";
    args32 += std::string(i ? ", " : "") + "1";
  }
  const std::string many = "function a takes " + params + " returns nothing\nendfunction\n";
  Refused(many + Fn("call a(" + args32 + ")\n"), 4, "call of \"a\" with 32 arguments; the game allows 31");
  Refused(many + Fn("call a(" + args31 + ")\n"), 4, "\"a\" takes 32 arguments, 31 given");
}

TEST(JassRulesTest, NativesComeFirstAndSomeWaitForTheGlobals) {
  Refused("function A takes nothing returns nothing\nendfunction\nnative Late takes nothing returns nothing\n", 3,
          "native \"Late\" is declared after a function");
  Clean("native Early takes nothing returns nothing\nfunction A takes nothing returns nothing\nendfunction\n");
  Refused("globals\nstring s = GetObjectName('hfoo')\nendglobals\n", 2,
          "\"GetObjectName\" cannot be called while globals are set up");
  Clean("globals\ngroup g = CreateGroup()\nendglobals\n" + Fn("local string s = GetObjectName('hfoo')\n"));
}

TEST(JassRulesTest, NoVariableIsNamedLikeATypeOrAlias) {
  Refused(Fn("local integer integer\n"), 2, "\"integer\" is a type and cannot name a variable");
  Refused("globals\nreal alias\nendglobals\n", 2, "\"alias\" cannot name a variable");
  // No global takes a type's name: the script's own, the API's or a built-in.
  Refused("type effect extends handle\nglobals\neffect effect\nendglobals\n", 3,
          "\"effect\" is a type and cannot name a variable");
  Refused("globals\nunit unit\nendglobals\n", 2, "\"unit\" is a type and cannot name a variable");
  // Parameters may not take a built-in type's name.
  Refused("function G takes integer integer returns nothing\nendfunction\n", 1,
          "\"integer\" is a type and cannot name a variable");
  Refused("function G takes code code returns nothing\nendfunction\n", 1,
          "\"code\" is a type and cannot name a variable");
}

TEST(JassRulesTest, ALocalOrParameterNamedLikeATypeHidesItForTheRestOfTheFunction) {
  const std::string effect = "type effect extends handle\n";
  Clean(effect + Fn("local effect effect = null\n"));
  Clean(Fn("local unit unit = null\ncall KillUnit(unit)\n"));
  Refused(effect + Fn("local effect effect = null\nlocal effect sfx = null\n"), 4, "type \"effect\" was shadowed");
  Refused("function G takes unit unit returns nothing\nlocal unit u = unit\nendfunction\n", 2,
          "type \"unit\" was shadowed");
  // Only in its own function, and only below the local.
  Clean(effect + Fn("local effect sfx = null\nlocal effect effect = sfx\n") +
        "function G takes nothing returns nothing\n" + "local effect sfx = null\nendfunction\n");
}

TEST(JassRulesTest, UnsetGlobalsAreNotReadWhileGlobalsAreSetUp) {
  Refused("globals\ninteger a\ninteger b = a + 3\nendglobals\n", 3, "variable \"a\" is read before it is set");
  Clean("globals\ninteger a = 1\ninteger b = a + 3\ninteger array c\nendglobals\n" + Fn("set a = c[0] + b\n"));
  // In functions a global may have been set by another.
  Clean("globals\ninteger a\nendglobals\n" + Fn("call I2S(a)\n"));
}

TEST(JassRulesTest, RawcodeEscapesAreWholeOneCharacterRawcodes) {
  Clean(Fn("local integer i = '\\b' + '\\t' + '\\r' + '\\n' + '\\f' + '\\\\'\n"));
  for (const char* code : {"'\\\\abc'", "'a\\\\bc'", "'ab\\\\c'", "'abc\\\\'", "'\\\\\\\\ab'", "'\\xabc'", "'a\\xbc'",
                           "'ab\\xc'", "'ab\\\\\\x'"})
    Refused(Fn(std::string("local integer i = ") + code + "\n"), 2,
            std::string("rawcode ") + code + " holds a backslash, which only a one-character rawcode may");
  for (const char* code : {"'\\x'", "'\\''"})
    Refused(Fn(std::string("local integer i = ") + code + "\n"), 2,
            std::string("rawcode ") + code + " is no escape the game reads (\\b, \\t, \\r, \\n, \\f or \\\\)");
}

TEST(JassRulesTest, BytesTheGameDoesNotRead) {
  Refused(Fn("local string s = \"a\\\nb\"\n"), 2, "Backslash at the end of a line inside a string");
  Clean(Fn("local string s = \"a\\\\\"\nlocal string t = \"a\nb\"\n"));
  Refused(Fn("// caf\xFF\n"), 2, "Unexpected byte 0xFF inside a comment");
  Refused(Fn("/* caf\xFF */\n"), 2, "Unexpected byte 0xFF inside a comment");
  Refused(Fn("local string s = \"caf\xFF\"\n"), 2, "Unexpected byte 0xFF inside a string literal");
  Refused(Fn("local integer i = 'ab\xFF"
             "c'\n"),
          2, "Unexpected byte 0xFF inside a rawcode literal");
  Clean(Fn("// caf\xC3\xA9\nlocal string s = \"caf\xC3\xA9\"\n"));
  // A NUL is a fault wherever it stands, and the script goes on after it.
  EXPECT_EQ(Problems(Fn(std::string("// a\0b\nset x\0 = 1\n", 18) + "set later = 1\n")),
            (std::vector<std::string>{"2: Unexpected byte 0x00 inside a comment", "3: Unexpected byte 0x00",
                                      "4: undefined variable \"later\""}));
}

}  // namespace
}  // namespace zarn
