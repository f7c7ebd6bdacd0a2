#include "lsp/server.h"

#include <gtest/gtest.h>

#include "lsp/lsp_test_util.h"

namespace zarn::lsp {
namespace {

Json RequestMessage(int id, const std::string& method, Json params = Json::object()) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}
Json NotificationMessage(const std::string& method, Json params = Json::object()) {
  return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}
Json At(std::size_t line, std::size_t character) { return {{"line", line}, {"character", character}}; }

// Runs a whole conversation through Serve and reads back what it wrote.
struct Conversation {
  std::string input;
  std::vector<Json> output;
  int exit_code = -1;

  Conversation& Send(const Json& message) {
    input += Frame(Dump(message));
    return *this;
  }
  Conversation& Raw(const std::string& bytes) {
    input += bytes;
    return *this;
  }
  Conversation& Initialize(bool utf8) {
    Json capabilities = Json::object();
    if (utf8) capabilities["general"]["positionEncodings"] = {"utf-16", "utf-8"};
    Send(RequestMessage(1, "initialize", {{"capabilities", capabilities}}));
    return Send(NotificationMessage("initialized"));
  }
  Conversation& Open(const std::string& uri, const std::string& text) {
    return Send(NotificationMessage(
        "textDocument/didOpen",
        {{"textDocument", {{"uri", uri}, {"languageId", "jass"}, {"version", 1}, {"text", text}}}}));
  }
  void Run(const std::string& api_dir, std::size_t piece = 1 << 16) {
    MemorySource in(input, piece);
    MemorySink out;
    exit_code = Serve(in, out, {api_dir, false, ""});
    MemorySource written(out.bytes());
    MessageReader reader(written);
    for (Incoming next = reader.Next(); next.kind != Incoming::Kind::kEnd; next = reader.Next()) {
      EXPECT_EQ(next.kind, Incoming::Kind::kMessage) << next.error;
      output.push_back(next.message);
    }
  }
  const Json* Answer(int id) const {
    for (const Json& message : output)
      if (message.contains("id") && message["id"] == id) return &message;
    return nullptr;
  }
  std::vector<Json> Published() const {
    std::vector<Json> found;
    for (const Json& message : output)
      if (message.value("method", "") == "textDocument/publishDiagnostics") found.push_back(message["params"]);
    return found;
  }
};

TEST(LspServer, LifecycleAndExitCodes) {
  test::ApiFolder api;
  Conversation clean;
  clean.Initialize(false).Send(RequestMessage(2, "shutdown")).Send(NotificationMessage("exit"));
  clean.Run(api.path());
  EXPECT_EQ(clean.exit_code, 0);
  ASSERT_TRUE(clean.Answer(1));
  EXPECT_EQ((*clean.Answer(1))["result"]["capabilities"]["positionEncoding"], "utf-16");
  EXPECT_TRUE((*clean.Answer(2))["result"].is_null());

  Conversation abrupt;
  abrupt.Initialize(false).Send(NotificationMessage("exit"));
  abrupt.Run(api.path());
  EXPECT_EQ(abrupt.exit_code, 1);

  Conversation closed;  // the input ends without exit
  closed.Initialize(false).Send(RequestMessage(2, "shutdown"));
  closed.Run(api.path());
  EXPECT_EQ(closed.exit_code, 0);
}

TEST(LspServer, BadInputIsAnsweredAndReadingGoesOn) {
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
  for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{1} << 16}) {
    Conversation run = c;
    run.Run(api.path(), piece);
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

TEST(LspServer, DiagnosticsAndHoverCountUtf8WhenTheClientOffersIt) {
  test::ApiFolder api;
  const std::string uri = api.Uri("utf.j");
  // "é" is two bytes and one UTF-16 unit; "😀" four bytes and two units.
  const std::string text =
      "function A takes nothing returns nothing\n"
      "  call BJDebugMsg(\"é😀\") + KillUnit(3)\n"
      "endfunction\n";
  for (bool utf8 : {true, false}) {
    Conversation c;
    c.Initialize(utf8).Open(uri, text);
    const std::size_t kill = text.find("KillUnit") - text.find("  call");
    const std::size_t units = utf8 ? kill : kill - 1 - 2;
    c.Send(RequestMessage(2, "textDocument/hover", {{"textDocument", {{"uri", uri}}}, {"position", At(1, units + 1)}}));
    c.Run(api.path());
    EXPECT_EQ((*c.Answer(1))["result"]["capabilities"]["positionEncoding"], utf8 ? "utf-8" : "utf-16");
    const Json& hover = (*c.Answer(2))["result"];
    ASSERT_TRUE(hover.is_object()) << c.Answer(2)->dump();
    EXPECT_EQ(hover["range"]["start"]["character"], units);
    EXPECT_NE(hover["contents"]["value"].get<std::string>().find("native KillUnit"), std::string::npos);
    ASSERT_FALSE(c.Published().empty());
  }
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
