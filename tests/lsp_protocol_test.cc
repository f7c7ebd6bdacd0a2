// The language server's protocol, each conversation held twice: with Serve
// in this process and with the built zarn-cli --lsp through its standard
// input and output (under Wine, zarn-cli.exe's).
#include <gtest/gtest.h>

#include <array>
#include <set>

#include "lsp/lsp_test_util.h"

namespace zarn::lsp {
namespace {

using test::At;
using test::Conversation;
using test::NotificationMessage;
using test::RequestMessage;
using test::ServerKind;

constexpr ServerKind kBoth[] = {ServerKind::kInProcess, ServerKind::kProgram};

TEST(LspProtocol, LifecycleAndExitCodes) {
  test::ApiFolder api;
  for (ServerKind kind : kBoth) {
    SCOPED_TRACE(test::NameOf(kind));
    Conversation clean;
    clean.Initialize(false).Send(RequestMessage(2, "shutdown")).Send(NotificationMessage("exit"));
    clean.Run(api.path(), kind);
    EXPECT_EQ(clean.exit_code, 0) << clean.errors;
    ASSERT_TRUE(clean.Answer(1));
    EXPECT_EQ((*clean.Answer(1))["result"]["capabilities"]["positionEncoding"], "utf-16");
    EXPECT_TRUE((*clean.Answer(2))["result"].is_null());

    Conversation abrupt;
    abrupt.Initialize(false).Send(NotificationMessage("exit"));
    abrupt.Run(api.path(), kind);
    EXPECT_EQ(abrupt.exit_code, 1);

    Conversation closed;  // the input ends without exit
    closed.Initialize(false).Send(RequestMessage(2, "shutdown"));
    closed.Run(api.path(), kind);
    EXPECT_EQ(closed.exit_code, 0);

    Conversation unfinished;  // nor shutdown
    unfinished.Initialize(false);
    unfinished.Run(api.path(), kind);
    EXPECT_EQ(unfinished.exit_code, 1);
  }
}

TEST(LspProtocol, BadInputIsAnsweredAndReadingGoesOn) {
  test::ApiFolder api;
  Conversation c;
  c.Send(RequestMessage(7, "textDocument/hover"));  // before initialize
  c.Initialize(true);
  c.Raw("Content-Length: 5\r\n\r\n{oops");
  c.Raw("Content-Type: nothing-else\r\n\r\n");
  c.Raw("Content-Length: x9\r\n\r\n");
  c.Send(RequestMessage(3, "workspace/frobnicate"));
  c.Send(RequestMessage(4, "textDocument/hover",
                        {{"textDocument", {{"uri", "file:///nowhere.j"}}}, {"position", At(0, 0)}}));
  c.Send(RequestMessage(5, "textDocument/hover", {{"position", "bad"}}));
  c.Send(Json::array({1, 2}));
  c.Send(RequestMessage(6, "shutdown")).Send(NotificationMessage("exit"));
  // In process the input also comes byte by byte and in odd pieces.
  const std::pair<ServerKind, std::size_t> runs[] = {{ServerKind::kInProcess, 1},
                                                     {ServerKind::kInProcess, 7},
                                                     {ServerKind::kInProcess, 1 << 16},
                                                     {ServerKind::kProgram, 1 << 16}};
  for (auto [kind, piece] : runs) {
    SCOPED_TRACE(std::string(test::NameOf(kind)) + ", pieces of " + std::to_string(piece));
    Conversation run = c;
    run.Run(api.path(), kind, piece);
    ASSERT_TRUE(run.Answer(7) && run.Answer(3) && run.Answer(4) && run.Answer(5)) << run.errors;
    EXPECT_EQ((*run.Answer(7))["error"]["code"], kServerNotInitialized);
    int parse_errors = 0;
    for (const Json& message : run.output)
      if (message.contains("error") && message["error"]["code"] == kParseError) ++parse_errors;
    EXPECT_EQ(parse_errors, 3);
    EXPECT_EQ((*run.Answer(3))["error"]["code"], kMethodNotFound);
    EXPECT_TRUE((*run.Answer(4))["result"].is_null());  // an unknown document: an empty answer
    EXPECT_EQ((*run.Answer(5))["error"]["code"], kInvalidParams);
    EXPECT_EQ(run.exit_code, 0);
  }
}

TEST(LspProtocol, DiagnosticsAndHoverCountUtf8WhenTheClientOffersIt) {
  test::ApiFolder api;
  const std::string uri = api.Uri("utf.j");
  // "é" is two bytes and one UTF-16 unit; "😀" four bytes and two units.
  const std::string text =
      "function A takes nothing returns nothing\n"
      "  call BJDebugMsg(\"é😀\" + KillUnit(3))\n"
      "endfunction\n";
  const std::size_t kill = text.find("KillUnit") - text.find("  call");
  for (ServerKind kind : kBoth) {
    for (bool utf8 : {true, false}) {
      SCOPED_TRACE(std::string(test::NameOf(kind)) + (utf8 ? ", UTF-8" : ", UTF-16"));
      Conversation c;
      c.Initialize(utf8).Open(uri, text);
      const std::size_t units = utf8 ? kill : kill - 1 - 2;
      c.Send(
          RequestMessage(2, "textDocument/hover", {{"textDocument", {{"uri", uri}}}, {"position", At(1, units + 1)}}));
      c.Run(api.path(), kind);
      ASSERT_TRUE(c.Answer(1)) << c.errors;
      EXPECT_EQ((*c.Answer(1))["result"]["capabilities"]["positionEncoding"], utf8 ? "utf-8" : "utf-16");
      const Json& hover = (*c.Answer(2))["result"];
      ASSERT_TRUE(hover.is_object()) << c.Answer(2)->dump();
      EXPECT_EQ(hover["range"]["start"]["character"], units);
      EXPECT_NE(hover["contents"]["value"].get<std::string>().find("native KillUnit"), std::string::npos);
      // KillUnit(3): an integer where a unit is wanted, at the argument.
      const std::vector<Json> published = c.Published();
      ASSERT_EQ(published.size(), 1u);
      ASSERT_EQ(published[0]["diagnostics"].size(), 1u) << published[0].dump();
      EXPECT_EQ(published[0]["diagnostics"][0]["range"]["start"], At(1, units + 9));
    }
  }
}

// Markers and check problems, hover, a definition into common.j and a rename,
// with a parse error and an unknown method on the way.
TEST(LspProtocol, AConversationFromInitializeToExit) {
  test::ApiFolder api;
  const std::string uri = api.Uri("war3map.j");
  const std::string text =
      "function Test takes nothing returns nothing\n"
      "  var broken\n"
      "  local unit n = null\n"
      "  call KillUnit(n)\n"
      "  call KillUnit(3)\n"
      "endfunction\n";
  const Json doc = {{"uri", uri}};
  Conversation c;
  c.Initialize(true).Open(uri, text);
  c.Send(RequestMessage(2, "textDocument/hover", {{"textDocument", doc}, {"position", At(3, 17)}}));
  c.Send(RequestMessage(3, "textDocument/definition", {{"textDocument", doc}, {"position", At(3, 8)}}));
  c.Send(RequestMessage(4, "textDocument/rename", {{"textDocument", doc}, {"position", At(2, 13)}, {"newName", "k"}}));
  c.Send(RequestMessage(5, "no/such/method"));
  c.Raw("Content-Length: 3\r\n\r\n{x}");
  c.Send(RequestMessage(6, "shutdown")).Send(NotificationMessage("exit"));
  for (ServerKind kind : kBoth) {
    SCOPED_TRACE(test::NameOf(kind));
    Conversation run = c;
    run.Run(api.path(), kind);
    EXPECT_EQ(run.exit_code, 0) << run.errors;
    ASSERT_TRUE(run.Answer(2) && run.Answer(3) && run.Answer(4) && run.Answer(5) && run.Answer(6));
    std::vector<int> lines;
    for (const Json& params : run.Published())
      for (const Json& diagnostic : params["diagnostics"]) lines.push_back(diagnostic["range"]["start"]["line"]);
    EXPECT_EQ(lines, (std::vector<int>{1, 4}));
    EXPECT_NE((*run.Answer(2))["result"]["contents"]["value"].get<std::string>().find("local unit n"),
              std::string::npos);
    const Json& definition = (*run.Answer(3))["result"][0];
    EXPECT_EQ(definition["uri"], api.Uri("common.j"));
    EXPECT_EQ(definition["range"]["start"], At(5, 7));
    EXPECT_EQ((*run.Answer(4))["result"]["changes"][uri].size(), 2u);
    EXPECT_EQ((*run.Answer(5))["error"]["code"], kMethodNotFound);
    bool parse_error = false;
    for (const Json& message : run.output)
      parse_error |= message.contains("error") && message["error"]["code"] == kParseError;
    EXPECT_TRUE(parse_error);
    EXPECT_TRUE((*run.Answer(6))["result"].is_null());
  }
}

// Bodies that are JSON but no message get -32600 with a null id; what a
// notification cannot use is said in the log; hover follows contentFormat.
TEST(LspProtocol, NonMessagesAreRefusedAndDroppedChangesLogged) {
  test::ApiFolder api;
  const std::string uri = api.Uri("p.j");
  Conversation c;
  Json capabilities = {{"textDocument", {{"hover", {{"contentFormat", {"plaintext"}}}}}}};
  c.Send(RequestMessage(1, "initialize", {{"capabilities", capabilities}}))
      .Send(NotificationMessage("initialized"))
      .Open(uri, "function A takes nothing returns nothing\n  call KillUnit(null)\nendfunction\n");
  for (const char* body : {"42", "[1,2]", "null", "{}", "[{\"jsonrpc\":\"2.0\",\"id\":9,\"method\":\"shutdown\"}]"})
    c.Raw("Content-Length: " + std::to_string(std::string(body).size()) + "\r\n\r\n" + body);
  auto change = [&](const std::string& to, Json edit) {
    c.Send(NotificationMessage("textDocument/didChange",
                               {{"textDocument", {{"uri", to}, {"version", 2}}}, {"contentChanges", {edit}}}));
  };
  change(uri, {{"range", {{"start", At(0, 0)}, {"end", {{"line", -1}, {"character", 0}}}}}, {"text", ""}});
  change(uri, {{"range", {{"start", At(0, 0)}, {"end", At(0, 1)}}}});
  change(api.Uri("closed.j"), {{"text", "x"}});
  change(uri, {{"range", {{"start", At(9, 0)}, {"end", At(1, 0)}}}, {"text", ""}});  // reversed, past the end
  c.Send(RequestMessage(2, "textDocument/hover", {{"textDocument", {{"uri", uri}}}, {"position", At(0, 9)}}));
  for (ServerKind kind : kBoth) {
    SCOPED_TRACE(test::NameOf(kind));
    Conversation run = c;
    run.Run(api.path(), kind);
    int refused = 0, logged = 0;
    for (const Json& message : run.output) {
      if (message.contains("error") && message["error"]["code"] == kInvalidRequest) {
        EXPECT_TRUE(message["id"].is_null()) << message.dump();
        ++refused;
      }
      if (message.value("method", "") == "window/logMessage") ++logged;
    }
    EXPECT_EQ(refused, 5);
    EXPECT_EQ(logged, 3);
    EXPECT_FALSE(run.Answer(9));
    ASSERT_TRUE(run.Answer(2)) << run.errors;
    const Json& contents = (*run.Answer(2))["result"]["contents"];
    EXPECT_EQ(contents["kind"], "plaintext");
    EXPECT_EQ(contents["value"].get<std::string>().find("```"), std::string::npos) << contents.dump();
    EXPECT_EQ(contents["value"].get<std::string>().rfind("function A takes nothing returns nothing", 0), 0u);
  }
}

// An open file that an open document imports is checked in that program,
// with its unsaved text; alone again once the importer is closed.
TEST(LspProtocol, AnImportedFileIsCheckedInItsImportersProgram) {
  test::ApiFolder api;
  const std::string lib_text = "function Lib takes nothing returns integer\n  return udg_X\nendfunction\n";
  WriteFileBytes(api.path() + "/lib.j", lib_text);
  const std::string main = api.Uri("main.j"), lib = api.Uri("lib.j");
  Conversation c;
  c.Initialize(false).Open(main, "globals\n  integer udg_X = 0\nendglobals\n//!import \"lib.j\"\n").Open(lib, lib_text);
  const Json hover = {{"textDocument", {{"uri", lib}}}, {"position", At(1, 10)}};
  int id = 2, version = 1;
  c.Send(RequestMessage(id++, "textDocument/hover", hover));
  for (const char* name : {"udg_Y", "udg_X"}) {  // a fault, then its fix, unsaved
    c.Send(NotificationMessage(
        "textDocument/didChange",
        {{"textDocument", {{"uri", lib}, {"version", ++version}}},
         {"contentChanges", {{{"range", {{"start", At(1, 9)}, {"end", At(1, 14)}}}, {"text", name}}}}}));
    c.Send(RequestMessage(id++, "textDocument/hover", hover));
  }
  c.Send(NotificationMessage("textDocument/didClose", {{"textDocument", {{"uri", main}}}}));
  c.Send(RequestMessage(id++, "textDocument/hover", hover));
  for (ServerKind kind : kBoth) {
    SCOPED_TRACE(test::NameOf(kind));
    Conversation run = c;
    run.Run(api.path(), kind);
    // lib.j's diagnostics as they change, and main.j's last.
    std::vector<std::size_t> lib_counts;
    std::size_t main_now = 99;
    for (const Json& params : run.Published()) {
      const std::size_t count = params["diagnostics"].size();
      if (params["uri"] != lib) {
        main_now = count;
        continue;
      }
      if (lib_counts.empty() || lib_counts.back() != count) lib_counts.push_back(count);
      if (count > 0) { EXPECT_EQ(params["diagnostics"][0]["range"]["start"], At(1, 9)); }
    }
    EXPECT_EQ(lib_counts, (std::vector<std::size_t>{0, 1, 0, 1})) << run.errors;
    EXPECT_EQ(main_now, 0u);
    const std::string first = (*run.Answer(2))["result"]["contents"]["value"];
    EXPECT_NE(first.find("integer udg_X"), std::string::npos) << first;
    EXPECT_NE(first.find("Checked as imported by main.j"), std::string::npos) << first;
    EXPECT_TRUE((*run.Answer(5))["result"].is_null());  // udg_X is declared nowhere now
  }
}

// Semantic tokens decoded: (line, character, length, type, modifiers).
std::vector<std::array<int, 5>> Decode(const Json& data) {
  std::vector<std::array<int, 5>> tokens;
  int line = 0, character = 0;
  for (std::size_t i = 0; i + 4 < data.size(); i += 5) {
    line += data[i].get<int>();
    character = (data[i].get<int>() == 0 ? character : 0) + data[i + 1].get<int>();
    tokens.push_back({line, character, data[i + 2], data[i + 3], data[i + 4]});
  }
  return tokens;
}

// Colours, hints, fixes, highlights, folds and symbols on one small program.
TEST(LspProtocol, WhatTheEditorShowsBesideTheDiagnostics) {
  test::ApiFolder api;
  const std::string uri = api.Uri("f.j"), words = api.Uri("w.j");
  const std::string text =
      "globals\n"                                                            // 0
      "  constant integer LIMIT = 3\n"                                       // 1
      "endglobals\n"                                                         // 2
      "// Counts the hits.\n"                                                // 3
      "// Twice as many on crits.\n"                                         // 4
      "function Hits takes unit whichUnit, integer times returns integer\n"  // 5
      "  var total = times * 2\n"                                            // 6
      "  if total > LIMIT then\n"                                            // 7
      "    call KillUnit(whichUnit)\n"                                       // 8
      "  endif\n"                                                            // 9
      "  return total\n"                                                     // 10
      "endfunction\n"                                                        // 11
      "function Test takes nothing returns nothing\n"                        // 12
      "  call Hits(null, 3)\n"                                               // 13
      "  call KilUnit(null)\n"                                               // 14
      "endfunction\n";                                                       // 15
  const Json doc = {{"uri", uri}};
  const Json line13 = {{"start", At(13, 0)}, {"end", At(14, 0)}};
  Conversation c;
  c.Initialize(false).Open(uri, text);
  c.Open(words,
         "function A takes nothing returns nothing\n  local integer renew = 1\n  call KilUnit(null)\nendfunction\n");
  c.Send(RequestMessage(2, "textDocument/semanticTokens/full", {{"textDocument", doc}}));
  c.Send(RequestMessage(3, "textDocument/semanticTokens/range", {{"textDocument", doc}, {"range", line13}}));
  c.Send(RequestMessage(4, "textDocument/inlayHint",
                        {{"textDocument", doc}, {"range", {{"start", At(0, 0)}, {"end", At(16, 0)}}}}));
  c.Send(RequestMessage(5, "textDocument/codeAction",
                        {{"textDocument", doc}, {"range", {{"start", At(14, 8)}, {"end", At(14, 8)}}}}));
  c.Send(RequestMessage(6, "textDocument/codeAction",
                        {{"textDocument", {{"uri", words}}}, {"range", {{"start", At(2, 8)}, {"end", At(2, 8)}}}}));
  c.Send(RequestMessage(7, "textDocument/documentHighlight", {{"textDocument", doc}, {"position", At(10, 10)}}));
  c.Send(RequestMessage(8, "textDocument/foldingRange", {{"textDocument", doc}}));
  c.Send(RequestMessage(9, "workspace/symbol", {{"query", "kill"}}));
  c.Send(RequestMessage(10, "textDocument/hover", {{"textDocument", doc}, {"position", At(13, 8)}}));
  for (ServerKind kind : kBoth) {
    SCOPED_TRACE(test::NameOf(kind));
    Conversation run = c;
    run.Run(api.path(), kind);
    ASSERT_TRUE(run.Answer(10)) << run.errors;
    const Json& legend = (*run.Answer(1))["result"]["capabilities"]["semanticTokensProvider"]["legend"];
    EXPECT_EQ(legend["tokenModifiers"][3], "global");
    auto token_at = [&](const std::vector<std::array<int, 5>>& tokens, int line, int character) {
      for (const auto& token : tokens)
        if (token[0] == line && token[1] == character) return std::array<int, 3>{token[2], token[3], token[4]};
      return std::array<int, 3>{-1, -1, -1};
    };
    const auto full = Decode((*run.Answer(2))["result"]["data"]);
    EXPECT_EQ(token_at(full, 1, 19), (std::array<int, 3>{5, 2, 1 | 2 | 8}));  // LIMIT: a constant global declared
    EXPECT_EQ(token_at(full, 7, 13), (std::array<int, 3>{5, 2, 2 | 8}));      // and used
    EXPECT_EQ(token_at(full, 3, 0), (std::array<int, 3>{19, 5, 0}));          // the comment
    EXPECT_EQ(token_at(full, 6, 2), (std::array<int, 3>{3, 4, 0}));           // var, a keyword
    EXPECT_EQ(token_at(full, 6, 14), (std::array<int, 3>{5, 3, 0}));          // times, a parameter
    EXPECT_EQ(token_at(full, 8, 9), (std::array<int, 3>{8, 1, 4}));           // KillUnit, of the API
    EXPECT_EQ(token_at(full, 13, 7), (std::array<int, 3>{4, 1, 0}));          // Hits
    EXPECT_EQ(token_at(full, 6, 14 + 6), (std::array<int, 3>{1, 8, 0}));      // *
    const auto ranged = Decode((*run.Answer(3))["result"]["data"]);
    ASSERT_FALSE(ranged.empty());
    for (const auto& token : ranged) EXPECT_EQ(token[0], 13);

    std::vector<std::pair<Json, std::string>> hints;
    for (const Json& hint : (*run.Answer(4))["result"]) hints.emplace_back(hint["position"], hint["label"]);
    const std::vector<std::pair<Json, std::string>> expected_hints = {
        {At(6, 11), ": integer"}, {At(13, 12), "whichUnit:"}, {At(13, 18), "times:"}};
    EXPECT_EQ(hints, expected_hints);

    const Json& fixes = (*run.Answer(5))["result"];
    ASSERT_EQ(fixes.size(), 1u) << fixes.dump();
    EXPECT_EQ(fixes[0]["edit"]["changes"][uri][0]["newText"], "KillUnit");
    EXPECT_EQ(fixes[0]["edit"]["changes"][uri][0]["range"]["start"], At(14, 7));
    const Json& word_fixes = (*run.Answer(6))["result"];
    ASSERT_EQ(word_fixes.size(), 2u) << word_fixes.dump();
    EXPECT_EQ(word_fixes[1]["edit"]["changes"][words][0]["newText"], "//!words\n");

    std::vector<int> highlighted;
    for (const Json& h : (*run.Answer(7))["result"]) highlighted.push_back(h["range"]["start"]["line"]);
    EXPECT_EQ(highlighted, (std::vector<int>{6, 7, 10}));

    std::vector<std::pair<int, int>> folds;
    for (const Json& f : (*run.Answer(8))["result"]) folds.emplace_back(f["startLine"], f["endLine"]);
    EXPECT_EQ(folds, (std::vector<std::pair<int, int>>{{0, 1}, {3, 4}, {7, 8}, {5, 10}, {12, 14}}));

    std::set<std::string> names;
    for (const Json& symbol : (*run.Answer(9))["result"]) names.insert(symbol["name"]);
    EXPECT_EQ(names, (std::set<std::string>{"KillUnit"}));

    const std::string hover = (*run.Answer(10))["result"]["contents"]["value"];
    EXPECT_NE(hover.find("Counts the hits.\nTwice as many on crits."), std::string::npos) << hover;
  }
}

}  // namespace
}  // namespace zarn::lsp
