// The JASS 2 check on small scripts: one faulty script per rule, and the
// constructs real maps use, which must pass.
#include "check/jass_checker.h"
#include "check/jass_lexer.h"

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

// "LINE:COLUMN: message" for every problem, one a line.
std::string Problems(std::string_view script) {
  std::string out;
  for (const JassProblem& p : CheckJass(script).problems)
    out += std::to_string(p.line) + ":" + std::to_string(p.column) + ": " + p.message + "\n";
  return out;
}

std::string InFunction(const std::string& body) {
  return "function F takes nothing returns nothing\n" + body + "endfunction\n";
}

TEST(JassCheckerTest, EachRuleHasItsProblem) {
  struct Case {
    std::string script, expected;
  } cases[] = {
      // Lexical.
      {InFunction("call A(\"open)\n"), "2:8: String literal is not closed\n"},
      {InFunction("set a = 'hfoo\n"), "2:9: Rawcode literal is not closed\n"},
      {InFunction("set a = b # c\n"), "2:11: Unexpected character \"#\"\n"},
      {InFunction("set a = \xC3\xA9\n"), "2:9: Unexpected byte 0xC3\n"},
      {InFunction("set a = 09\n"), "2:9: Malformed number \"09\"\n"},
      {InFunction("set a = 0x\n"), "2:9: Malformed number \"0x\"\n"},
      {InFunction("set a = $\n"), "2:9: Malformed number \"$\"\n"},
      {"globals\nreal xprate_\nendglobals\n", "2:6: Name \"xprate_\" ends with \"_\"\n"},
      // Declarations.
      {"type T extends\n", "1:15: Expected a name, found end of line\n"},
      {"native N takes nothing\n", "1:23: Expected \"returns\", found end of line\n"},
      {"constant globals\n", "1:10: Expected \"native\" or \"function\", found \"globals\"\n"},
      {"function s__T_set takes nothing returns nothing = null\nendfunction\n",
       "1:49: Expected end of line, found \"=\"\n"},
      {"function F takes integer returns nothing\nendfunction\n", "1:26: Expected a name, found \"returns\"\n"},
      {"globals\ninteger array\nendglobals\n", "2:14: Expected a name, found end of line\n"},
      {"x = 1\n", "1:1: Expected a declaration, found \"x\"\n"},
      // Statements and expressions.
      {InFunction("set a[1 = 2\n"), "2:9: Expected \"]\", found \"=\"\n"},
      {InFunction("call A(1,\n"), "2:10: Expected an expression, found end of line\n"},
      {InFunction("call A\n"), "2:7: Expected \"(\", found end of line\n"},
      {InFunction("if a == then\nendif\n"), "2:9: Expected an expression, found \"then\"\n"},
      {InFunction("if a\nendif\n"), "2:5: Expected \"then\", found end of line\n"},
      {InFunction("set a = (1 + 2\n"), "2:15: Expected \")\", found end of line\n"},
      {InFunction("set a = function\n"), "2:17: Expected a name, found end of line\n"},
      {InFunction("a = 1\n"), "2:1: Expected a statement, found \"a\"\n"},
      {InFunction("debug local integer i\n"), "2:7: Expected a statement, found \"local\"\n"},
      {InFunction("loop exitwhen true endloop\nendloop\n"), "2:6: Expected end of line, found \"exitwhen\"\n"},
      // Block structure.
      {InFunction("endloop\n"), "2:1: \"endloop\" without \"loop\"\n"},
      {InFunction("loop\n"), "2:1: \"loop\" without \"endloop\"\n"},
      {InFunction("if true then\nendloop\n"), "2:1: \"if\" without \"endif\"\n3:1: \"endloop\" without \"loop\"\n"},
      {InFunction("loop\nif true then\nendloop\n"), "3:1: \"if\" without \"endif\"\n"},
      {InFunction("else\n"), "2:1: \"else\" without \"if\"\n"},
      {InFunction("if true then\nelse\nelseif false then\nendif\n"), "4:1: \"elseif\" after \"else\"\n"},
      {InFunction("exitwhen true\n"), "2:1: \"exitwhen\" outside a loop\n"},
      {"call A()\n", "1:1: \"call\" outside a function\n"},
      {"endfunction\n", "1:1: \"endfunction\" without \"function\"\n"},
      {"function F takes nothing returns nothing\nfunction G takes nothing returns nothing\nendfunction\n",
       "1:1: \"function\" without \"endfunction\"\n"},
      {"globals\nfunction G takes nothing returns nothing\nendfunction\n", "1:1: \"globals\" without \"endglobals\"\n"},
      {"globals\n", "1:1: \"globals\" without \"endglobals\"\n"},
      {InFunction("call A()\nlocal integer i\n"), "3:1: \"local\" after other statements\n"},
      // Declared twice.
      {"native F takes nothing returns nothing\n" + InFunction(""), "2:10: \"F\" is already declared\n"},
      {"globals\ninteger g\nconstant real g = 1\nendglobals\n", "3:15: \"g\" is already declared\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Problems(c.script), c.expected) << c.script;
}

TEST(JassCheckerTest, WhatRealMapsWritePasses) {
  const std::string script =
      "\xEF\xBB\xBF// header\n"
      "type unit extends widget\n"
      "globals\n"
      "  constant integer A = $FF + 0xff + 0XAb + 017 + 0 - .5 * 1. / 2.25\n"
      "  integer array B\n"
      "  string S = \"a \\\"q\\\" b \\\\ // not a comment\"\n"
      "  integer R = 'hfoo' + 'A' + '\\'' + '\\\\'\n"
      "  code C = null\n"
      "endglobals\n"
      "constant native N takes integer a, real b returns nothing\n"
      "native M takes nothing returns handle\n"
      "function E takes nothing returns nothing\n"
      "endfunction\n"
      "constant function K takes nothing returns integer\n"
      "  return 1\n"
      "endfunction\n"
      "function F takes integer a, boolean b returns boolean\n"
      "  local integer i=0\n"
      "  local real array r\n"
      "  debug call BJDebugMsg(\"x\")\n"
      "  loop\n"
      "    exitwhen i>=10or not b\n"
      "    if a==1then\n"
      "      set r[i+1]= -r[i]*(2+-(3))\n"
      "    elseif (a != 2) and not(b) then\n"
      "      call ExecuteFunc(\"E\")\n"
      "    else\n"
      "      call TimerStart(CreateTimer(), 1, false, function E)\n"
      "    endif\n"
      "    set i = i + 1\n"
      "  endloop\n"
      "  return a <= 0 or b == true and r[0] > 1 or S != null\n"
      "endfunction\n"
      "function G takes nothing returns nothing\n"
      "  call F(1,true)\n"
      "  return\n"
      "endfunction\n"
      "/* a block\ncomment */ function H takes nothing returns nothing\n"
      "  call BJDebugMsg(\"a text\n"
      "over two lines\")\n"
      "endfunction";
  EXPECT_EQ(Problems(script), "");
  JassCheckResult result = CheckJass(script);
  EXPECT_FALSE(result.vjass);
}

// Valid scripts that the grammar check once refused.
TEST(JassCheckerTest, ModuloUnaryPlusAndAByteOrderMarkInsideAreNoFaults) {
  EXPECT_EQ(Problems(InFunction("set a = 7 % 3 + (b%2)\n")), "");
  EXPECT_EQ(Problems(InFunction("set a = + .05\ncall B(+1, - +2)\n")), "");
  // Files joined into one carry their byte order marks into the middle.
  EXPECT_EQ(
      Problems(InFunction("set a = 1\n") + "\xEF\xBB\xBF" + "function G takes nothing returns nothing\nendfunction\n"),
      "");
  EXPECT_EQ(Problems("\xEF\xBB\xBFx\n"), "1:1: Expected a declaration, found \"x\"\n");
  EXPECT_EQ(Problems(InFunction("set a = 1 %\n")), "2:12: Expected an expression, found end of line\n");
}

TEST(JassCheckerTest, LineEndsAndNulCountAsTheGameReadsThem) {
  for (const char* end : {"\r\n", "\n", "\r"}) {
    std::string script =
        std::string("function F takes nothing returns nothing") + end + end + "endloop" + end + "endfunction" + end;
    EXPECT_EQ(Problems(script), "3:1: \"endloop\" without \"loop\"\n") << "line end " << int(end[0]);
  }
  // A NUL byte is a fault, and the script goes on after it.
  EXPECT_EQ(Problems(std::string("globals\nendglobals\n\0\nendloop\n", 29)),
            "3:1: Unexpected byte 0x00\n4:1: \"endloop\" without \"loop\"\n");
  // A "//" comment ends at a line feed: a lone CR inside it ends no comment,
  // though it counts as a line.
  EXPECT_EQ(Problems("function F takes nothing returns nothing\n// note\rendloop\nendfunction\n"), "");
  EXPECT_EQ(Problems("function F takes nothing returns nothing\n// note\r\nendloop\nendfunction\n"),
            "3:1: \"endloop\" without \"loop\"\n");
  // A "/*" without "*/" is no comment, a lone "/" no token start.
  EXPECT_EQ(Problems("/* open\n"), "1:1: Expected a declaration, found \"/\"\n");
}

TEST(JassCheckerTest, VJassIsCheckedForLiteralsAndBlockBalanceOnly) {
  const std::string vjass =
      "library L requires M\n"
      "  private struct S extends array\n"
      "    static method create takes nothing returns thistype\n"
      "      if this.x then\n"
      "      return 0\n"
      "    endmethod\n"
      "  endstruct\n"
      "  interface I\n"
      "    method m takes nothing returns nothing\n"
      "  endinterface\n"
      "  function interface FI takes nothing returns nothing\n"
      "  private function P takes nothing returns nothing\n"
      "    call BJDebugMsg(\"x)\n"
      "  endfunction\n"
      "endlibrary\n"
      "endloop\n";
  JassCheckResult result = CheckJass(vjass);
  EXPECT_TRUE(result.vjass);
  EXPECT_EQ(Problems(vjass),
            "4:7: \"if\" without \"endif\"\n"
            "13:21: String literal is not closed\n"
            "16:1: \"endloop\" without \"loop\"\n");
  EXPECT_TRUE(CheckJass("//! textmacro T\nfunction $X$ takes nothing returns nothing\n").vjass);
  EXPECT_FALSE(
      CheckJass("// //! textmacro T\nfunction s__struct_method takes nothing returns nothing\nendfunction\n").vjass);
}

TEST(JassCheckerTest, AStringCutShortIsBlamedWhereItOpens) {
  // A text cut at "//" runs on to the next quote, lines below.
  EXPECT_EQ(Problems(InFunction("call BJDebugMsg(\"see http:\ncall BJDebugMsg(\"hello\")\n")),
            "2:17: String literal is not closed on its line\n");
}

TEST(JassCheckerTest, HostileInputEndsInTimeWithoutCrashing) {
  EXPECT_EQ(Problems(InFunction("set a = " + std::string(100000, '(') + "\n")),
            "2:410: Expression nested too deeply\n");
  // Many unclosed quotes and block-comment openers each look ahead once only.
  std::string quotes, comments;
  for (int i = 0; i < 100000; ++i) quotes += "\\\"\n", comments += "/*\n";
  EXPECT_FALSE(CheckJass("\"" + quotes).problems.empty());
  EXPECT_FALSE(CheckJass(comments).problems.empty());
}

// Names are read sixteen bytes at a time: every length, at every place in
// a block, ends at the first byte that is no letter, digit or "_", including
// the bytes next to the letters' ranges and those from 0x80 on.
TEST(JassCheckerTest, ANameEndsAtItsFirstOtherByte) {
  const std::string enders = std::string("@[`{/:\x80\xC1\xDA\xFF ", 11) + std::string(1, '\0');
  for (std::size_t length = 1; length <= 40; ++length) {
    std::string name;
    for (std::size_t i = 0; i < length; ++i) name += "aZ_9zA0m"[i % 8];
    for (char ender : enders) {
      for (std::size_t lead = 0; lead < 3; ++lead) {
        const std::string script = std::string(lead, ' ') + name + ender + "x";
        jass::Lexer lexer(script);
        const jass::Token token = lexer.Next();
        EXPECT_EQ(lexer.Text(token), name) << length << " " << static_cast<int>(ender);
      }
    }
    jass::Lexer at_end(name);
    EXPECT_EQ(at_end.Text(at_end.Next()), name);
  }
}

}  // namespace
}  // namespace zarn
