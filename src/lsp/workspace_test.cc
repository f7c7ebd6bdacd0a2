#include "lsp/workspace.h"

#include <gtest/gtest.h>

#include "lsp/lsp_test_util.h"

namespace zarn::lsp {
namespace {

class WorkspaceTest : public ::testing::Test {
 protected:
  WorkspaceTest() : workspace_(test::WithApi(api_.path())) {}

  std::string Open(const std::string& name, const std::string& text) {
    const std::string uri = api_.Uri(name);
    workspace_.documents().Open(uri, text, 1);
    texts_[uri] = text;
    return uri;
  }
  // The offset of the n-th (from 0) occurrence of `what` in a document, plus `into`.
  std::size_t At(const std::string& uri, const std::string& what, int n = 0, std::size_t into = 0) {
    std::size_t at = texts_[uri].find(what);
    while (n-- > 0) at = texts_[uri].find(what, at + 1);
    return at + into;
  }
  std::size_t LineOf(const std::string& uri, std::size_t offset) { return LineTable(texts_[uri]).LineOf(offset); }

  test::ApiFolder api_;
  Workspace workspace_;
  std::map<std::string, std::string> texts_;
};

constexpr const char* kScript =
    "globals\n"
    "  integer count = 0\n"
    "endglobals\n"
    "\n"
    "function Helper takes unit u, integer n returns integer\n"
    "  return n + count\n"
    "endfunction\n"
    "\n"
    "function Test takes nothing returns nothing\n"
    "  var caster = GetTriggerUnit()\n"
    "  new timer t\n"
    "  call KillUnit(caster)\n"
    "  set count = Helper(caster, 2)\n"
    "  free caster\n"
    "  flush t\n"
    "endfunction\n";

TEST_F(WorkspaceTest, MarkerAndCheckFaultAreDiagnosedOnTheUsersLinesAndAFixedFaultGoes) {
  const std::string uri = Open("faults.j",
                               "function Test takes nothing returns nothing\n"
                               "  // a comment line that the run removes\n"
                               "  var x\n"
                               "  call KillUnit(x)\n"
                               "\n"
                               "  call KillUnit(5)\n"
                               "endfunction\n");
  const std::vector<Diagnostic> found = workspace_.Diagnostics(uri);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(LineOf(uri, found[0].at.begin), 2u);
  EXPECT_EQ(found[0].message, "Undefined type of variable");
  // x counts as declared: its use raises nothing more.
  EXPECT_EQ(LineOf(uri, found[1].at.begin), 5u);
  EXPECT_NE(found[1].message.find("cannot use integer as unit"), std::string::npos) << found[1].message;
  EXPECT_EQ(texts_[uri].substr(found[1].at.begin, found[1].at.end - found[1].at.begin), "5");

  workspace_.documents().Change(uri, {{std::nullopt, "function Test takes nothing returns nothing\nendfunction\n"}}, 2,
                                PositionEncoding::kUtf16);
  EXPECT_TRUE(workspace_.Diagnostics(uri).empty());
}

TEST_F(WorkspaceTest, WithNoApiOneNoteSaysNamesAreNotChecked) {
  WorkspaceOptions options;
  options.no_api = true;
  Workspace bare(options);
  testing_util::ScratchFolder elsewhere;
  const std::string uri = PathToFileUri(AbsolutePath(elsewhere / "a.j"));
  bare.documents().Open(uri, "function A takes nothing returns nothing\ncall Nowhere()\nendfunction\n", 1);
  EXPECT_TRUE(bare.Diagnostics(uri).empty());  // names unchecked
  std::vector<std::string> notes = bare.TakeNotes();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("names and types not checked"), std::string::npos);
  bare.documents().Change(uri, {{std::nullopt, "function A takes nothing returns nothing\nendfunction\n"}}, 2,
                          PositionEncoding::kUtf8);
  bare.Diagnostics(uri);
  EXPECT_TRUE(bare.TakeNotes().empty());
}

TEST_F(WorkspaceTest, HoverShowsInferredTypesSignaturesAndParents) {
  const std::string uri = Open("s.j", kScript);
  std::optional<HoverInfo> hover = workspace_.Hover(uri, At(uri, "caster", 1, 2));
  ASSERT_TRUE(hover);
  EXPECT_NE(hover->markdown.find("local unit caster"), std::string::npos) << hover->markdown;
  EXPECT_NE(hover->markdown.find("line 10"), std::string::npos) << hover->markdown;
  hover = workspace_.Hover(uri, At(uri, "Helper(", 0, 1));
  ASSERT_TRUE(hover);
  EXPECT_NE(hover->markdown.find("function Helper takes unit u, integer n returns integer"), std::string::npos);
  hover = workspace_.Hover(uri, At(uri, "KillUnit"));
  ASSERT_TRUE(hover);
  EXPECT_NE(hover->markdown.find("native KillUnit takes unit whichUnit returns nothing"), std::string::npos);
  hover = workspace_.Hover(uri, At(uri, "timer t", 0, 1));
  ASSERT_TRUE(hover);
  EXPECT_NE(hover->markdown.find("type timer extends handle"), std::string::npos) << hover->markdown;
  EXPECT_FALSE(workspace_.Hover(uri, At(uri, "endfunction")));
  EXPECT_FALSE(workspace_.Hover(api_.Uri("closed.j"), 0));
}

TEST_F(WorkspaceTest, DefinitionGoesToLocalsParametersGlobalsFunctionsAndIntoCommonJ) {
  const std::string uri = Open("s.j", kScript);
  auto definition = [&](std::size_t offset) {
    std::vector<Location> found = workspace_.Definition(uri, offset);
    EXPECT_EQ(found.size(), 1u);
    return found.empty() ? Location{} : found[0];
  };
  EXPECT_EQ(definition(At(uri, "caster", 2)).at.begin, At(uri, "caster"));
  EXPECT_EQ(definition(At(uri, "n + count")).at.begin, At(uri, "n returns"));
  EXPECT_EQ(definition(At(uri, "count", 2)).at.begin, At(uri, "count"));
  EXPECT_EQ(definition(At(uri, "Helper", 1)).at.begin, At(uri, "Helper"));
  EXPECT_EQ(definition(At(uri, "flush t", 0, 6)).at.begin, At(uri, "timer t", 0, 6));
  const Location native = definition(At(uri, "KillUnit"));
  EXPECT_EQ(native.uri, api_.Uri("common.j"));
  const std::string common = ReadFileBytes(api_.path() + "/common.j");
  EXPECT_EQ(common.substr(native.at.begin, native.at.end - native.at.begin), "KillUnit");
}

TEST_F(WorkspaceTest, ReferencesAndRenameFindTheNamesOfFreeFlushAndNew) {
  const std::string uri = Open("s.j", kScript);
  EXPECT_EQ(workspace_.References(uri, At(uri, "caster"), true).size(), 4u);
  EXPECT_EQ(workspace_.References(uri, At(uri, "caster"), false).size(), 3u);
  RenameResult renamed = workspace_.Rename(uri, At(uri, "flush t", 0, 6), "clock");
  ASSERT_TRUE(renamed.error.empty()) << renamed.error;
  ASSERT_EQ(renamed.changes[uri].size(), 2u);
  EXPECT_EQ(renamed.changes[uri][0].at.begin, At(uri, "timer t", 0, 6));
  EXPECT_EQ(renamed.changes[uri][1].at.begin, At(uri, "flush t", 0, 6));
}

TEST_F(WorkspaceTest, RenameOfATopLevelNameReachesEveryOpenDocument) {
  const std::string uri = Open("s.j", kScript);
  const std::string other =
      Open("other.j", "function Other takes nothing returns nothing\n  set count = 1\nendfunction\n");
  RenameResult renamed = workspace_.Rename(other, At(other, "count"), "total");
  ASSERT_TRUE(renamed.error.empty()) << renamed.error;
  EXPECT_EQ(renamed.changes[uri].size(), 3u);
  EXPECT_EQ(renamed.changes[other].size(), 1u);
}

TEST_F(WorkspaceTest, RenameRefusesKeywordsTakenNamesAndNatives) {
  const std::string uri = Open("s.j", kScript);
  EXPECT_NE(workspace_.Rename(uri, At(uri, "caster"), "endif").error, "");
  EXPECT_NE(workspace_.Rename(uri, At(uri, "caster"), "flush").error, "");
  EXPECT_NE(workspace_.Rename(uri, At(uri, "caster"), "t").error, "");
  EXPECT_NE(workspace_.Rename(uri, At(uri, "caster"), "9lives").error, "");
  EXPECT_NE(workspace_.Rename(uri, At(uri, "Helper"), "Test").error, "");
  EXPECT_NE(workspace_.Rename(uri, At(uri, "KillUnit"), "Kill").error, "");
  EXPECT_EQ(workspace_.Rename(uri, At(uri, "caster"), "hero").error, "");
}

TEST_F(WorkspaceTest, CompletionFitsThePlace) {
  const std::string uri = Open("c.j",
                               "function Test takes unit u returns nothing\n"
                               "  local integer i = 0\n"
                               "  \n"
                               "  new \n"
                               "  free \n"
                               "  call Kil\n"
                               "endfunction\n");
  auto labels = [&](std::size_t offset) {
    std::set<std::string> found;
    for (const CompletionItem& item : workspace_.Complete(uri, offset).items) found.insert(item.label);
    return found;
  };
  const std::set<std::string> start = labels(At(uri, "  \n", 0, 2));
  for (const char* expected : {"var", "repeat", "mount", "set", "i", "u", "KillUnit", "bj_MAX_PLAYERS", "BJDebugMsg"})
    EXPECT_TRUE(start.count(expected)) << expected;
  const std::set<std::string> types = labels(At(uri, "new ", 0, 4));
  EXPECT_TRUE(types.count("timer") && types.count("integer"));
  EXPECT_FALSE(types.count("KillUnit"));
  // free takes a variable: the types the issue names there would be no use.
  const std::set<std::string> freed = labels(At(uri, "free ", 0, 5));
  EXPECT_TRUE(freed.count("u") && freed.count("i"));
  EXPECT_FALSE(freed.count("KillUnit") || freed.count("timer"));
  const std::set<std::string> typed = labels(At(uri, "Kil\n", 0, 3));
  EXPECT_EQ(typed, std::set<std::string>{"KillUnit"});
  for (const CompletionItem& item : workspace_.Complete(uri, At(uri, "Kil\n", 0, 3)).items)
    EXPECT_EQ(item.detail, "native KillUnit takes unit whichUnit returns nothing");
}

TEST_F(WorkspaceTest, SignatureHelpCountsTheArgumentsOfTheInnermostCall) {
  const std::string uri = Open("s.j",
                               "function A takes nothing returns nothing\n"
                               "  call SetUnitState(GetTriggerUnit(), 1, \n"
                               "endfunction\n");
  const std::optional<SignatureInfo> info = workspace_.SignatureHelp(uri, At(uri, ", \n", 0, 2));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->active, 2u);
  ASSERT_EQ(info->parameters.size(), 3u);
  EXPECT_EQ(info->label.substr(info->parameters[2].begin, info->parameters[2].end - info->parameters[2].begin),
            "real newVal");
}

TEST_F(WorkspaceTest, DocumentSymbolsListFunctionsAndGlobals) {
  const std::string uri = Open("s.j", kScript);
  const std::vector<SymbolInfo> symbols = workspace_.DocumentSymbols(uri);
  std::vector<std::string> names;
  for (const SymbolInfo& symbol : symbols) names.push_back(symbol.name);
  EXPECT_EQ(names, (std::vector<std::string>{"count", "Helper", "Test"}));
  EXPECT_EQ(symbols[2].children.size(), 2u);  // caster, t
}

TEST_F(WorkspaceTest, HalfTypedAndBinaryDocumentsAreAnswered) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131) & 0xFF);
  for (const std::string& text :
       {binary, std::string("function"), std::string("function A takes"), std::string("new global"),
        std::string("mount"), std::string("function A takes nothing returns nothing\n  call B(, (\n")}) {
    const std::string uri = Open("x.j", text);
    workspace_.Diagnostics(uri);
    for (std::size_t offset = 0; offset <= text.size(); offset += 1 + text.size() / 64) {
      workspace_.Hover(uri, offset);
      workspace_.Complete(uri, offset);
      workspace_.SignatureHelp(uri, offset);
      workspace_.References(uri, offset, true);
    }
  }
}

// A file imported by two open documents is checked with the first by URI
// that no open document imports: the program's own script, not a file
// between, whatever their names.
TEST_F(WorkspaceTest, AnImportedFileIsCheckedWithTheOutermostImporter) {
  const std::string lib_text = "function Lib takes nothing returns integer\n  return udg_X\nendfunction\n";
  WriteFileBytes(api_.path() + "/lib.j", lib_text);
  WriteFileBytes(api_.path() + "/mid.j", "//!import \"lib.j\"\n");
  const std::string lib = Open("lib.j", lib_text);
  EXPECT_EQ(workspace_.Diagnostics(lib).size(), 1u);  // alone: udg_X is undefined
  const std::string mid = Open("mid.j", "//!import \"lib.j\"\n");
  const std::string top = Open("top.j", "globals\n  integer udg_X = 0\nendglobals\n//!import \"mid.j\"\n");
  EXPECT_EQ(workspace_.ContextOf(lib), top);
  EXPECT_EQ(workspace_.ContextOf(mid), top);
  EXPECT_TRUE(workspace_.Diagnostics(lib).empty());
  EXPECT_EQ(workspace_.ContextOf(top), "");
  workspace_.documents().Close(top);
  EXPECT_EQ(workspace_.ContextOf(lib), mid);
  EXPECT_EQ(workspace_.Diagnostics(lib).size(), 1u);
}

}  // namespace
}  // namespace zarn::lsp
