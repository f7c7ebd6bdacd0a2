#include "lsp/server.h"

#include <gtest/gtest.h>

#include "lsp/lsp_test_util.h"

namespace zarn::lsp {
namespace {

using test::At;
using test::Conversation;
using test::NotificationMessage;
using test::RequestMessage;

TEST(LspServer, OnlyTheNewestTextIsAnalysedWhenChangesComeQuickly) {
  test::ApiFolder api;
  const std::string uri = api.Uri("quick.j");
  Conversation c;
  c.Initialize(false).Open(uri, "function A takes nothing returns nothing\nvar x\nendfunction\n");
  for (int version = 2; version <= 5; ++version)
    c.Send(NotificationMessage(
        "textDocument/didChange",
        {{"textDocument", {{"uri", uri}, {"version", version}}},
         {"contentChanges",
          {{{"range", {{"start", At(1, 5)}, {"end", At(1, 5)}}}, {"text", version == 5 ? " = 1" : ""}}}}}));
  c.Run(api.path());
  const std::vector<Json> published = c.Published();
  ASSERT_EQ(published.size(), 1u);
  EXPECT_EQ(published[0]["version"], 5);
  EXPECT_TRUE(published[0]["diagnostics"].empty()) << published[0].dump();
}

TEST(LspServer, RenameAnswersWithEditsOrAnError) {
  test::ApiFolder api;
  const std::string uri = api.Uri("r.j");
  Conversation c;
  c.Initialize(true).Open(uri, "function A takes integer n returns integer\n  return n\nendfunction\n");
  const Json doc = {{"uri", uri}};
  c.Send(
      RequestMessage(2, "textDocument/rename", {{"textDocument", doc}, {"position", At(1, 9)}, {"newName", "count"}}));
  c.Send(
      RequestMessage(3, "textDocument/rename", {{"textDocument", doc}, {"position", At(1, 9)}, {"newName", "loop"}}));
  c.Send(RequestMessage(4, "textDocument/documentSymbol", {{"textDocument", doc}}));
  c.Send(RequestMessage(5, "textDocument/completion", {{"textDocument", doc}, {"position", At(1, 2)}}));
  c.Run(api.path());
  const Json& edits = (*c.Answer(2))["result"]["changes"][uri];
  ASSERT_EQ(edits.size(), 2u);
  EXPECT_EQ(edits[0]["range"]["start"], At(0, 25));
  EXPECT_EQ((*c.Answer(3))["error"]["code"], kRequestFailed);
  EXPECT_EQ((*c.Answer(4))["result"][0]["name"], "A");
  EXPECT_FALSE((*c.Answer(5))["result"]["items"].empty());
}

// Problems in an imported file are sent for that file and taken back when
// the import goes; the document's own stay on its own lines.
TEST(LspServer, ProblemsOfImportedFilesAreSentForThoseFiles) {
  test::ApiFolder api;
  WriteFileBytes(api.path() + "/lib.j",
                 "function Lib takes nothing returns nothing\n"
                 "  call KillUnit(3)\n"
                 "endfunction\n");
  const std::string uri = api.Uri("main.j"), lib = api.Uri("lib.j");
  Conversation c;
  c.Initialize(false).Open(uri,
                           "//!import \"lib.j\"\n"
                           "//!import \"none.j\"\n"
                           "function A takes nothing returns nothing\n"
                           "  call Lib()\n"
                           "  call RemoveUnit(1)\n"
                           "endfunction\n");
  c.Send(RequestMessage(2, "textDocument/hover", {{"textDocument", {{"uri", uri}}}, {"position", At(4, 8)}}));
  c.Send(
      NotificationMessage("textDocument/didChange",
                          {{"textDocument", {{"uri", uri}, {"version", 2}}},
                           {"contentChanges", {{{"range", {{"start", At(1, 0)}, {"end", At(2, 0)}}}, {"text", ""}}}}}));
  c.Send(RequestMessage(3, "textDocument/hover", {{"textDocument", {{"uri", uri}}}, {"position", At(3, 8)}}));
  c.Run(api.path());
  // Each message's lines by the file it is for, in the order sent.
  std::vector<std::pair<std::string, std::vector<int>>> sent;
  for (const Json& params : c.Published()) {
    std::vector<int> lines;
    for (const Json& diagnostic : params["diagnostics"]) lines.push_back(diagnostic["range"]["start"]["line"]);
    sent.emplace_back(params["uri"], lines);
  }
  // First the missing file stops the imports: the script is checked as
  // written, Lib is unknown there. Without that line lib.j is pasted.
  ASSERT_EQ(sent.size(), 3u) << c.output.back().dump();
  EXPECT_EQ(sent[0], std::make_pair(uri, std::vector<int>{1, 3, 4}));
  EXPECT_EQ(sent[1], std::make_pair(uri, std::vector<int>{3}));
  EXPECT_EQ(sent[2], std::make_pair(lib, std::vector<int>{1}));
  const Json in_lib = c.Published()[2]["diagnostics"][0];
  EXPECT_EQ(in_lib["range"]["start"]["character"], 16);

  // The import line goes, comes back, and the document is closed: lib.j's
  // problems are taken back each time.
  Conversation gone;
  gone.Initialize(false).Open(uri, "//!import \"lib.j\"\n");
  const Json hover = {{"textDocument", {{"uri", uri}}}, {"position", At(0, 1)}};
  int version = 1, id = 2;
  for (const char* text : {"function B takes nothing returns nothing\nendfunction\n", "//!import \"lib.j\"\n"}) {
    gone.Send(RequestMessage(id++, "textDocument/hover", hover));
    gone.Send(NotificationMessage("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", ++version}}},
                                                             {"contentChanges", {{{"text", text}}}}}));
  }
  gone.Send(RequestMessage(id++, "textDocument/hover", hover));
  gone.Send(NotificationMessage("textDocument/didClose", {{"textDocument", {{"uri", uri}}}}));
  gone.Run(api.path());
  std::vector<std::pair<std::string, std::size_t>> counts;
  for (const Json& params : gone.Published()) counts.emplace_back(params["uri"], params["diagnostics"].size());
  const std::vector<std::pair<std::string, std::size_t>> expected = {{uri, 0}, {lib, 1}, {uri, 0}, {lib, 0},
                                                                     {uri, 0}, {lib, 1}, {uri, 0}, {lib, 0}};
  EXPECT_EQ(counts, expected);
}

}  // namespace
}  // namespace zarn::lsp
