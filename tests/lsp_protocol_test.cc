// The language server's protocol, each conversation held twice: with Serve
// in this process and with the built zarn-cli --lsp through its standard
// input and output (under Wine, zarn-cli.exe's).
#include <gtest/gtest.h>

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
      if (count > 0) EXPECT_EQ(params["diagnostics"][0]["range"]["start"], At(1, 9));
    }
    EXPECT_EQ(lib_counts, (std::vector<std::size_t>{0, 1, 0, 1})) << run.errors;
    EXPECT_EQ(main_now, 0u);
    const std::string first = (*run.Answer(2))["result"]["contents"]["value"];
    EXPECT_NE(first.find("integer udg_X"), std::string::npos) << first;
    EXPECT_NE(first.find("Checked as imported by main.j"), std::string::npos) << first;
    EXPECT_TRUE((*run.Answer(5))["result"].is_null());  // udg_X is declared nowhere now
  }
}

}  // namespace
}  // namespace zarn::lsp
