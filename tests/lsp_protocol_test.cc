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

}  // namespace
}  // namespace zarn::lsp
