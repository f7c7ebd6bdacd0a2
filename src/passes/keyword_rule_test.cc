#include "passes/keyword_rule.h"

#include <gtest/gtest.h>

#include "bench/script_generator.h"
#include "core/pipeline.h"
#include "testing/preprocess_fixture.h"

namespace zarn {
namespace {

using fixture::InFunction;
using fixture::Preprocess;

const KeywordRule kWords = KeywordRule::Words();

TEST(KeywordRuleTest, WholeWordsAndStatementStarts) {
  EXPECT_TRUE(kWords.Contains("call F(null)", "null"));
  EXPECT_FALSE(kWords.Contains("set a = nullx + x_null + null2", "null"));
  EXPECT_EQ(kWords.Find("s__T_set set x", "set"), 9u);
  EXPECT_EQ(kWords.Pos("takes", "function untakes takes integer x"), 18u);
  EXPECT_EQ(KeywordRule().Pos("takes", "function untakes takes integer x"), 12u);
  // The keyword's own edge decides: "set " needs no name byte only before it.
  EXPECT_TRUE(kWords.Contains("set x = 1", "set x ="));
  EXPECT_EQ(kWords.ReplaceKeyword("flush flush", "flush", "set"), "set flush");
  EXPECT_EQ(kWords.ReplaceKeyword("flushx", "flush", "set"), "flushx");
  EXPECT_EQ(KeywordRule().ReplaceKeyword("flush s__flush", "flush", "set"), "set s__set");
  EXPECT_EQ(ReplaceWord("u + u_x + xu + (u)", "u", "U()"), "U() + u_x + xu + (U())");
  EXPECT_EQ(ReplaceWord("a", "", "b"), "a");
}

// Each statement keyword at the start of a name, at its end, inside it and as
// a whole name: word mode leaves every such line as written.
TEST(KeywordRuleTest, KeywordsInsideNamesStayInWordMode) {
  for (std::string_view k : kStatementKeywords) {
    const std::string key(k);
    const Lines body = {
        "local integer " + key,
        "local integer " + key + "_a",
        "local integer a_" + key,
        "local integer a" + key + "b",
        "set " + key + " = a_" + key + " + " + key + "_a",
        "call F(" + key + ", a" + key + "b)",
    };
    const Lines script = InFunction(body);
    EXPECT_EQ(Preprocess(script, kWords), script) << key;
  }
  // A function of another tool's making with a keyword parameter.
  const Lines generated = {
      "function s__Missile_flush takes integer until, integer free returns nothing",
      "call s__Missile_new(until)",
      "endfunction",
  };
  EXPECT_EQ(Preprocess(generated, kWords), generated);
  EXPECT_NE(Preprocess(generated), generated);
}

// By letters the same names set off statements, as the existing extended
// scripts expect.
TEST(KeywordRuleTest, LettersModeStillMatchesInsideNames) {
  struct Case {
    Lines body, letters, words;
  } cases[] = {
      {{"set untilDone = true"}, {"set exitwhen (Done = true)", "endloop"}, {"set untilDone = true"}},
      {{"call renewTimer()", "flush t"}, {"call renewTimer()", "set t = null"}, {"call renewTimer()", "set t = null"}},
      {{"call s__T_flush(x)"}, {"call s__T_set(x) = null"}, {"call s__T_flush(x)"}},
      {{"call repeatAll()"}, {"call loopAll()"}, {"call repeatAll()"}},
  };
  for (const Case& c : cases) {
    Lines letters = Preprocess(InFunction(c.body));
    EXPECT_EQ(Lines(letters.begin() + 4, letters.end() - 1), c.letters) << c.body[0];
    Lines words = Preprocess(InFunction(c.body), kWords);
    EXPECT_EQ(Lines(words.begin() + 4, words.end() - 1), c.words) << c.body[0];
  }
}

// The statements themselves work by words as by letters: for names that hold
// no keyword, both modes give the same script.
TEST(KeywordRuleTest, StatementsTranslateAlikeInBothModes) {
  const Lines script = InFunction({
      "var u = GetTriggerUnit()",
      "var g",
      "set g = CreateGroup()",
      "new timer ta, timer tb",
      "local new group lg",
      "new global group gg",
      "local new global force gf",
      "free g, u",
      "flush ta, tb",
      "repeat",
      "set n = n + 1",
      "until n > 3",
      "mount caster to GetTriggerUnit()",
      "call KillUnit(caster)",
      "unmount",
  });
  const Lines letters = Preprocess(script);
  EXPECT_EQ(Preprocess(script, kWords), letters);
  EXPECT_NE(std::find(letters.begin(), letters.end(), "group gg = CreateGroup()"), letters.end());
  EXPECT_NE(std::find(letters.begin(), letters.end(), "call KillUnit(GetTriggerUnit())"), letters.end());
  EXPECT_NE(std::find(letters.begin(), letters.end(), "exitwhen ( n > 3)"), letters.end());
}

// In word mode a statement counts where a line begins with it: its rewrite
// reaches the lines that begin with its text, as by letters, and no other.
TEST(KeywordRuleTest, WordModeRewritesStatementsThatBeginALine) {
  const Lines body = {"flush x1", "flush x11", "call F(flush x1)", "new group timerGroup"};
  const Lines words = Preprocess(InFunction(body), kWords);
  EXPECT_EQ(Lines(words.begin() + 4, words.end() - 1),
            (Lines{"set x1 = null", "set x1 = null1", "call F(flush x1)", "local group timerGroup = CreateGroup()"}));
  const Lines letters = Preprocess(InFunction(body));
  EXPECT_EQ(
      Lines(letters.begin() + 4, letters.end() - 1),
      (Lines{"set x1 = null", "set x1 = null1", "call F(set x1 = null)", "local group timerGroup = CreateTimer()"}));
  // The mount alias is replaced as a whole word only; "to" inside a name is
  // no separator.
  const Lines mounted = Preprocess(InFunction({"mount u to GetTriggerUnit()", "return u_total + u", "unmount",
                                               "mount total to 5", "call F(total)", "unmount"}),
                                   kWords);
  EXPECT_EQ(Lines(mounted.begin() + 4, mounted.end() - 1), (Lines{"return u_total + GetTriggerUnit()", "call F(5)"}));
  // A global statement moves only when it begins its line.
  const Lines globals = Preprocess(InFunction({"set udg_global = 1", "global integer moved"}), kWords);
  EXPECT_EQ(globals, (Lines{"globals", "integer n = 0", "integer moved", "endglobals",
                            "function Test takes nothing returns nothing", "set udg_global = 1", "endfunction"}));
}

TEST(KeywordRuleTest, DirectiveTurnsWordModeOnWhereItStandsAlone) {
  const Lines body = {"call s__T_flush(x)"};
  auto with = [&](Lines around) {
    Lines script = InFunction(body);
    script.insert(script.begin(), around.begin(), around.end());
    return script;
  };
  // Anywhere on a line of its own, blanks around it allowed; it leaves the
  // script.
  for (Lines head : {Lines{"//!words"}, Lines{"   //!words\t"}}) {
    EXPECT_EQ(Preprocess(with(head)), InFunction(body)) << head[0];
  }
  Lines at_end = InFunction(body);
  at_end.push_back("//!words");
  EXPECT_EQ(Preprocess(at_end), InFunction(body));
  // Inside a literal, a raw block or beside other text it does not count.
  for (Lines head : {Lines{"//!nozarn", "//!words", "//!endnozarn"}, Lines{"constant string S = \"", "//!words", "\""},
                     Lines{"call F() //!words"}, Lines{"//!words please"}}) {
    Lines out = Preprocess(with(head));
    EXPECT_NE(std::find(out.begin(), out.end(), "call s__T_set(x) = null"), out.end()) << head[0];
  }
  std::string text = "a\r\n//!words\r\nb //!words\r\n//!words";
  EXPECT_TRUE(TakeWordsDirective(text));
  EXPECT_EQ(text, "a\r\n\r\nb //!words\r\n");
}

TEST(KeywordRuleTest, LiteralsAndRawBlocksStayInWordMode) {
  const Lines script = {
      "//!nozarn",
      "function Raw takes nothing returns nothing",
      "flush untouched",
      "endfunction",
      "//!endnozarn",
      "function F takes nothing returns nothing",
      "call BJDebugMsg(\"flush x\r\nuntil y\")",
      "call F('free')",
      "flush t",
      "endfunction",
  };
  const Lines out = Preprocess(script, kWords);
  EXPECT_EQ(out, (Lines{"function Raw takes nothing returns nothing", "flush untouched", "endfunction",
                        "function F takes nothing returns nothing", "call BJDebugMsg(\"flush x", "until y\")",
                        "call F('free')", "set t = null", "endfunction"}));
}

TEST(KeywordRuleTest, GeneratedScriptsGiveTheSameBytesInBothModes) {
  for (std::uint64_t seed : {1u, 2u, 3u}) {
    ScriptShape shape;
    shape.target_bytes = 64 * 1024;
    shape.seed = seed;
    shape.names = seed == 1 ? 3 : 1000;  // few names: repeated lines and names that begin others
    shape.extended_per_mille = 200;
    const std::string script = GenerateScript(shape);
    ASSERT_EQ(FirstNameHoldingKeyword(script), "");
    const Lines lines = SplitText(script);
    EXPECT_EQ(Preprocess(lines, kWords), Preprocess(lines)) << seed;
  }
}

TEST(KeywordRuleTest, HintNamesTheFirstNameHoldingAKeyword) {
  EXPECT_EQ(FirstNameHoldingKeyword("globals\r\nendglobals\r\nnew timer t\r\nunmount\r\nflush x\r\n"), "");
  EXPECT_EQ(FirstNameHoldingKeyword("// renewed\r\ncall F(\"newest\", 'new_')\r\n/* s__T_flush */ x_until_y"),
            "x_until_y");
  EXPECT_EQ(FirstNameHoldingKeyword("set a = \"unclosed\r\nvariable"), "variable");
  EXPECT_EQ(WordsHint("call F()"), "");
  EXPECT_EQ(WordsHint("call s__T_free()"),
            "Hint: names in this script hold keywords (such as \"s__T_free\"); with --words, or a line //!words "
            "in the script, keywords count only as whole words.");
}

}  // namespace
}  // namespace zarn
