// Function bodies read on several threads: each body ends where the
// one-thread reader ends it, sees only what was declared before it, and the
// problems are those of one thread, in the same order.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "check/jass_api.h"
#include "check/jass_bodies.h"
#include "check/jass_checker.h"
#include "check/jass_grammar.h"
#include "check/jass_lexer.h"
#include "platform/files.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr const char* kApi =
    "type agent extends handle\n"
    "type unit extends agent\n"
    "native KillUnit takes unit whichUnit returns nothing\n"
    "native I2S takes integer i returns string\n";

// Bodies ended by "endfunction", by each declaration that cuts a body and
// by the script's end, with literals and comments that run over line ends
// and across bodies, and names used before or after their declaration.
const std::vector<std::string> kScripts = {
    "function A takes integer a, integer a returns integer\n"
    "local integer x\nloop\nset x = x + Later()\nexitwhen x > Later2\nendloop\n"
    "call B()\nlocal real late\n"
    "endfunction junk\n"
    "function B takes nothing returns nothing\ncall A(1, 2)\n"
    "/*\0*/ function C takes nothing returns lateType\n"
    "local lateType t\nset s = \"one\nendfunction\nfunction Hidden takes nothing returns nothing\n\"\n"
    "if true then\nloop\n"
    "globals\ninteger Later2 = 1\nendglobals\n"
    "type lateType extends unit\n"
    "//# +nosemanticerror\n"
    "function D takes nothing returns nothing\ncall Zz()\n// \" /* '\nset i = '\"'\n"
    "/* a comment that spans\nendfunction\nbodies */ call Later()\nendfunction\n"
    "constant function Later takes nothing returns integer\nreturn \"x\"\nendfunction\n"
    "function E takes nothing returns nothing\nelse\nnative Late takes nothing returns nothing\n"
    "function F takes nothing returns integer\ncall Late()\nendif\nreturn\n"
    "function G takes nothing returns nothing\n\nendfunction"s,
    "function A takes nothing returns nothing\n\xEF\xBB\xBF  call KillUnit(null)\r\n\rendfunction\r\n"
    "function B takes nothing returns nothing\r\ncall A(\r\n//! textmacro X\r\nendfunction\r\n",
    "function A takes nothing returns",
};

std::vector<std::string> Listed(const JassCheckResult& result) {
  std::vector<std::string> out;
  for (const JassProblem& p : result.problems)
    out.push_back(std::to_string(p.source) + ":" + std::to_string(p.line) + ":" + std::to_string(p.column) + " " +
                  p.message);
  if (result.vjass) out.push_back("vjass");
  return out;
}

std::vector<std::string> Checked(const std::vector<JassSource>& sources, const JassApi* api, std::size_t threads) {
  JassCheckExtras extras;
  extras.threads = threads;
  return Listed(CheckJassProgram(sources, api, nullptr, extras));
}

// True when the outline of `script` finds the ends that the reader of each
// body finds, and the thread ahead of the outline found the same ends (a
// disagreement would only show as a slower check).
bool BodiesAgree(const std::string& script, std::size_t& bodies) {
  jass::Outline found[2];
  for (bool ahead : {false, true}) {
    jass::SymbolTable table;
    jass::Semantics outline_semantics(table);
    std::vector<JassProblem> problems;
    jass::Outline& outline = found[ahead];
    if (!jass::OutlineProgramSource(script, problems, outline_semantics, outline, ahead)) return true;
    jass::Semantics sem(table);
    jass::BodyReader reader(script, problems, sem);
    for (const jass::DeferredBody& body : outline.bodies)
      if (!reader.Read(body, outline) || body.found_ahead != ahead) return false;
  }
  bodies = found[0].bodies.size();
  for (std::size_t k = 0; k < bodies; ++k)
    if (found[0].bodies[k].end != found[1].bodies[k].end || found[0].bodies[k].how != found[1].bodies[k].how)
      return false;
  return found[1].bodies.size() == bodies;
}

TEST(JassBodiesTest, ProblemsAreThoseOfOneThreadWhateverTheThreadCount) {
  for (const std::string& script : kScripts) {
    const std::vector<JassSource> sources = {{"api", kApi}, {"script", script}, {"after", script}};
    const std::vector<std::string> one = Checked(sources, nullptr, 1);
    for (std::size_t threads : {2, 4, 16}) EXPECT_EQ(Checked(sources, nullptr, threads), one) << script;
    std::size_t bodies = 0;
    EXPECT_TRUE(BodiesAgree(script, bodies)) << script;
  }
  const std::vector<std::string> first = Checked({{"script", kScripts[0]}}, nullptr, 4);
  const auto has = [&](const std::string& entry) {
    return std::find(first.begin(), first.end(), entry) != first.end();
  };
  // A body sees only the names declared before it, and suggestions come
  // from those alone.
  EXPECT_TRUE(has("0:4:13 undefined function \"Later\""));
  EXPECT_TRUE(has("0:5:14 undefined variable \"Later2\""));
  EXPECT_TRUE(has("0:7:6 undefined function \"B\" (did you mean \"A\"?)"));
  EXPECT_TRUE(has("0:13:7 undefined type \"lateType\""));
  // The comment before the header that cuts B belongs to that header's line.
  EXPECT_TRUE(has("0:10:1 \"function\" without \"endfunction\""));
  EXPECT_TRUE(has("0:12:3 Unexpected byte 0x00 inside a comment"));
  EXPECT_TRUE(has("0:39:1 \"function\" without \"endfunction\""));
  EXPECT_EQ(first.size(), 21u);
  EXPECT_EQ(Checked({{"script", kScripts[1]}}, nullptr, 4), std::vector<std::string>{"vjass"});
}

// Random lines of literals, comments and line ends that run into each
// other: skipping the rest of a line, or whole lines that begin with a name,
// lands where reading every token does.
TEST(JassBodiesTest, SkippedLinesEndWhereTheirTokensEnd) {
  const std::vector<std::string> pieces = {
      "set",  " ",     "\t",    "x_1",          "\"str\"",      "\"open",         "\"a\\\"b\"", "\"esc\\\nline\"",
      "'ab'", "'\\''", "'open", "// c \" /* '", "//# +rb",      "/* b\r\n \" */", "/* open",    "*/",
      "/",    "\r\n",  "\n",    "\r",           "\xEF\xBB\xBF", "/*\0*/",         "0x1F",       "$",
      ".5",   "(",     "==",    "\"\\\r\n\""};
  std::mt19937 random(7);
  using Place = std::tuple<std::size_t, std::size_t, std::size_t>;
  const auto place = [](const jass::Lexer& lexer) {
    const jass::LexerPlace at = lexer.place();
    return Place{at.pos, at.line, at.line_start};
  };
  for (int round = 0; round < 400; ++round) {
    std::string script;
    for (int i = 0; i < 40; ++i) script += pieces[random() % pieces.size()];
    // Every line start as the tokens reach it, and whether the line begins
    // with a name or is empty.
    std::vector<Place> starts;
    std::vector<bool> named;
    jass::Lexer tokens(script);
    for (bool first = true;;) {
      if (first) starts.push_back(place(tokens));
      const jass::Token token = tokens.Next();
      if (first)
        named.push_back(token.kind == jass::Tok::kName || token.kind >= jass::Tok::kFunction ||
                        token.kind == jass::Tok::kNewline);
      if (token.kind == jass::Tok::kEnd) break;
      first = token.kind == jass::Tok::kNewline;
    }
    jass::Lexer skipping(script);
    for (std::size_t line = 0; line + 1 < starts.size(); ++line) {
      ASSERT_EQ(place(skipping), starts[line]) << script;
      if (skipping.Next().kind != jass::Tok::kNewline) skipping.SkipRestOfLine();
    }
    for (std::size_t line = 0; line < starts.size(); ++line) {
      jass::Lexer lines(
          script, jass::LexerPlace{std::get<0>(starts[line]), std::get<1>(starts[line]), std::get<2>(starts[line])});
      if (line == 0) lines = jass::Lexer(script);
      // It may stop early (a comment or a byte order mark before the
      // name), but only at a line start and never past a line that does not
      // begin with a name or end at once.
      lines.SkipLinesOfNames(jass::NameLengths{});
      std::size_t last = line;
      while (last + 1 < starts.size() && named[last]) ++last;
      const auto begin = starts.begin() + static_cast<std::ptrdiff_t>(line);
      const auto end = starts.begin() + static_cast<std::ptrdiff_t>(last) + 1;
      if (last + 1 < starts.size()) { EXPECT_NE(std::find(begin, end, place(lines)), end) << script; }
    }
  }
}

// Real scripts with faults seeded inside and across bodies, the 1.31 API.
TEST(JassBodiesTest, SeededCorpusScriptsGiveTheSameProblemsOnOneAndFourThreads) {
  const fs::path corpus = fs::path(ZARN_SOURCE_DIR) / ".." / "shared" / "corpus";
  const fs::path common = corpus / "jass" / "common-1.31.j", blizzard = corpus / "jass" / "Blizzard-1.31.j";
  if (!fs::exists(common) || !fs::exists(blizzard)) GTEST_SKIP() << "no corpus at " << corpus;
  const JassApi api =
      JassApi::FromTexts(ReadFileBytes(common.string()), ReadFileBytes(blizzard.string()), "common.j", "Blizzard.j");
  const std::vector<std::string> faults = {"call NoSuchFunction()",
                                           "local integer late",
                                           "if true then",
                                           "endloop",
                                           "function Cut takes nothing returns nothing",
                                           "set s = \"open",
                                           "/*",
                                           "*/",
                                           "globals",
                                           "endfunction",
                                           "return 1",
                                           "constant integer c = 1"};
  std::mt19937 random(40);
  std::size_t checked = 0;
  for (const char* name : {"iluminate__KDT__war3map.j", "ushiop__TakeArea__war3map.j"}) {
    const fs::path path = corpus / "scripts" / name;
    if (!fs::exists(path)) continue;
    std::vector<std::string> lines;
    std::string line;
    for (char c : ReadFileBytes(path.string())) {
      if (c != '\n')
        line += c;
      else
        lines.push_back(std::move(line)), line.clear();
    }
    for (int i = 0; i < 40; ++i)
      lines.insert(lines.begin() + random() % lines.size(), faults[random() % faults.size()]);
    std::string script;
    for (const std::string& text : lines) script += text + "\n";
    const std::vector<std::string> one = Checked({{"war3map.j", script}}, &api, 1);
    EXPECT_GT(one.size(), 20u);
    EXPECT_EQ(Checked({{"war3map.j", script}}, &api, 4), one) << name;
    std::size_t bodies = 0;
    EXPECT_TRUE(BodiesAgree(script, bodies)) << name;
    EXPECT_GT(bodies, 10u);
    ++checked;
  }
  EXPECT_GT(checked, 0u);
}

}  // namespace
}  // namespace zarn
