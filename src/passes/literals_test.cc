#include "passes/literals.h"

#include <gtest/gtest.h>

#include "core/pipeline.h"
#include "testing/entry_texts.h"
#include "testing/preprocess_fixture.h"

namespace zarn {
namespace {

// The bytes between the quotes of each literal the scan finds.
std::vector<std::string> Found(std::string_view script) {
  HiddenLiterals literals;
  literals.Hide(script);
  return literals.contents();
}

TEST(LiteralsTest, ScanFindsLiteralsByTheirRules) {
  struct Case {
    std::string script;
    std::vector<std::string> literals;
  } cases[] = {
      {"call F(\"a\", 'hfoo', \"\")", {"a", "hfoo"}},
      {R"(call F("say \"hi\"", "\\", "\""))", {R"(say \"hi\")", R"(\\)", R"(\")"}},
      {"call F('\"', \"x\")", {"\"", "x"}},
      {"call F('\\'')", {"\\'"}},
      // A string may span lines, a rawcode may not.
      {"call F(\"a\r\nb\")", {"a\r\nb"}},
      {"set i = 'a\nb'", {}},
      // Quotes with no partner are ordinary bytes; the scan goes on after them.
      {"call F(\"unclosed)\nset x = 1", {}},
      {"set a = 'x\nset b = 'y'", {"y"}},
      {"call F(\"\\\")", {}},
      // Quotes inside comments open nothing.
      {"// don't \"quote\ncall F(\"x\")", {"x"}},
      {"/* it's \" */ call F(\"//\")", {"//"}},
      {"call F(\"//\") // \"c\"", {"//"}},
      // "/*" without "*/" is ordinary text.
      {"/* open\ncall F(\"y\")", {"y"}},
      // The first NUL ends the script.
      {std::string("call F(\"a\")\0 \"b\"", 16), {"a"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Found(c.script), c.literals) << c.script;
}

TEST(LiteralsTest, HidingAndRestoringGiveTheScriptBackAndHideEveryContentByte) {
  const std::string scripts[] = {
      "call BJDebugMsg(\"see http://example.org\") // note\r\n",
      "set s = \"free  global\r\nrepeat until\" + 'A0\\'1'\n\"",
      // Token bytes of the script's own, inside and outside literals and comments.
      std::string("a\x01\x12 \"\x01\x1f\" // \x15\n/* \x01 */ '\x10'"),
  };
  for (const std::string& script : scripts) {
    HiddenLiterals literals;
    const std::string hidden = literals.Hide(script);
    EXPECT_EQ(literals.Restore(hidden), script);
    for (std::string_view word : {"http", "free", "global", "A0", "repeat"})
      EXPECT_EQ(hidden.find(word), std::string::npos) << word << " in " << script;
  }
  // Copies of a token are each restored; a broken token is left as it is.
  HiddenLiterals literals;
  const std::string hidden = literals.Hide("\"abc\"");
  EXPECT_EQ(literals.Restore(hidden + hidden), "\"abc\"\"abc\"");
  EXPECT_EQ(literals.Restore(std::string("\x01\x1f\x1f")), std::string("\x01\x1f\x1f"));
}

// Restoring within the text's own buffer, where literals that shrink to
// their contents (one byte for a token of two or more) and ones that grow
// stand in every order, hundreds of them so that tokens run to several
// digits, and copies of tokens stand in the text more than once.
TEST(LiteralsTest, RestoringInPlaceGivesTheScriptBack) {
  std::uint64_t state = 3;
  auto below = [&state](std::size_t n) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::size_t>((state >> 33) % n);
  };
  for (int round = 0; round < 300; ++round) {
    std::string script;
    for (std::size_t n = below(400); n > 0; --n) {
      const std::size_t length = below(4) == 0 ? 1 + below(40) : 1;
      script += below(3) == 0 ? "x" : "\"" + std::string(length, static_cast<char>('a' + below(26))) + "\" ";
    }
    HiddenLiterals literals;
    const std::string hidden = literals.Hide(script);
    const std::string twice = hidden + hidden.substr(0, below(hidden.size() + 1));
    std::string in_place = twice;
    literals.RestoreInPlace(in_place);
    // The plain rule: every token replaced, left to right, into a new text.
    std::string expected;
    for (std::size_t i = 0; i < twice.size(); ++i) {
      std::size_t end = i + 1, index = 0;
      unsigned shift = 0;
      while (twice[i] == '\x01' && end < twice.size() && twice[end] >= 0x10 && twice[end] <= 0x1f) {
        index |= static_cast<std::size_t>(twice[end] & 0x0F) << shift;
        shift += 4;
        ++end;
      }
      if (end > i + 1 && index < literals.contents().size()) {
        expected += literals.contents()[index];
        i = end - 1;
      } else {
        expected += twice[i];
      }
    }
    ASSERT_EQ(in_place, expected) << "round " << round;
    ASSERT_EQ(literals.Restore(hidden), script);
  }
}

// Literals pass every pass untouched; everything around them is translated
// as it would be without them.
TEST(LiteralsTest, PassesLeaveLiteralsAsWritten) {
  struct Case {
    Lines body, expected;
  } cases[] = {
      {{"call BJDebugMsg(\"see http://example.org\") // note"}, {"call BJDebugMsg(\"see http://example.org\")"}},
      {{"call F(\"This map is freeware\")", "call F(\"wait  seconds until level 2\")"},
       {"call F(\"This map is freeware\")", "call F(\"wait  seconds until level 2\")"}},
      {{"call F(\"gives global buffs\")", "set n=1"}, {"call F(\"gives global buffs\")", "set n = 1"}},
      {{"call F( \"k=v\" , \"( a )\" )"}, {"call F(\"k=v\" , \"( a )\")"}},
      {{"call F(\"\\\"\", \"\\\\\", '\"', \"x\")"}, {"call F(\"\\\"\", \"\\\\\", '\"', \"x\")"}},
      {{"call F(\"two", "  lines  \")"}, {"call F(\"two", "  lines  \")"}},
      {{"var s = \"x\"", "var r = 'hfoo'"}, {"local string s = \"x\"", "local integer r = 'hfoo'"}},
      {{"mount msg to \"free  me\"", "call F(msg)", "unmount"}, {"call F(\"free  me\")"}},
      {{"call F(\"//!nozarn\")", "call F(\"//!ZARN Error:var x\")"},
       {"call F(\"//!nozarn\")", "call F(\"//!ZARN Error:var x\")"}},
      // An unclosed quote is an ordinary byte: the line is normalised as any.
      {{"call F(\"open  text // comment"}, {"call F(\"open text"}},
  };
  for (const Case& c : cases) {
    Lines expected = fixture::InFunction(c.expected);
    expected[1] = "integer n = 0";
    EXPECT_EQ(fixture::Preprocess(fixture::InFunction(c.body)), expected) << JoinLines(c.body);
  }
}

TEST(LiteralsTest, MovedGlobalCarriesItsLiteral) {
  Lines out = fixture::Preprocess(fixture::InFunction({"global string udg_S = \"http://x  y\""}));
  EXPECT_EQ(out, (Lines{"globals", "integer n = 0", "string udg_S = \"http://x  y\"", "endglobals",
                        "function Test takes nothing returns nothing", "endfunction"}));
}

TEST(LiteralsTest, MarkerScanReadsTheFinalLinesAndNotTheLiterals) {
  NullProgress progress;
  zarn::Run run(progress);
  BuildLanguageTables(run);
  run.lines = fixture::InFunction({"call F(\"//!ZARN Error:var \")", "call F(\"a", "b\")", "var x"});
  PreprocessScript(run);
  ErrorReport report = ScanResultForMarkers(run);
  EXPECT_EQ(report.marker_count, 1u);
  // The literal's own line break counts: the marker stands on line 7.
  EXPECT_EQ(testing_util::ProcessedEntryTexts(report),
            (std::vector<std::string>{"Line 7: Undefined type of variable"}));
  EXPECT_EQ(report.script, run.text);
}

}  // namespace
}  // namespace zarn
