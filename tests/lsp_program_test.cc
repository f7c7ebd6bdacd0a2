// zarn-cli --lsp as a program: a whole conversation through its standard
// input and output (under Wine, zarn-cli.exe's).
#include <gtest/gtest.h>

#include "lsp/transport.h"
#include "platform/file_uri.h"
#include "platform/files.h"
#include "testing/test_util.h"

namespace zarn {
namespace {

using lsp::Json;
using testing_util::Quote;
using testing_util::RunCommand;
using testing_util::TempDir;

Json Message(const Json& id, const std::string& method, Json params) {
  Json message = {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
  if (!id.is_null()) message["id"] = id;
  return message;
}

std::vector<Json> Messages(const std::string& bytes) {
  lsp::MemorySource source(bytes);
  lsp::MessageReader reader(source);
  std::vector<Json> all;
  for (lsp::Incoming next = reader.Next(); next.kind != lsp::Incoming::Kind::kEnd; next = reader.Next()) {
    EXPECT_EQ(next.kind, lsp::Incoming::Kind::kMessage) << next.error;
    all.push_back(next.message);
  }
  return all;
}

const Json* Answer(const std::vector<Json>& all, int id) {
  for (const Json& message : all)
    if (message.contains("id") && message["id"] == id) return &message;
  return nullptr;
}

class LspProgram : public ::testing::Test {
 protected:
  LspProgram() {
    WriteFileBytes(dir_ / "common.j",
                   "type unit extends handle\nnative KillUnit takes unit whichUnit returns nothing\n");
    WriteFileBytes(dir_ / "Blizzard.j", "");
    uri_ = PathToFileUri(AbsolutePath(dir_ / "war3map.j"));
  }

  // Runs the server over the frames of `messages` (and `extra` bytes after them).
  testing_util::ProcessResult Run(const std::vector<Json>& messages, const std::string& extra = "") {
    std::string input;
    for (const Json& message : messages) input += lsp::Frame(lsp::Dump(message));
    input += extra;
    WriteFileBytes(dir_ / "input.bin", input);
    return RunCommand(Quote(testing_util::kBuiltCli) + " --lsp --api " + Quote(dir_.path()), dir_.path(),
                      dir_ / "input.bin");
  }
  Json Doc() const { return {{"uri", uri_}}; }
  static Json At(int line, int character) { return {{"line", line}, {"character", character}}; }

  TempDir dir_;
  std::string uri_;
};

TEST_F(LspProgram, AConversationFromInitializeToExit) {
  const std::string text =
      "function Test takes nothing returns nothing\n"
      "  var broken\n"
      "  local integer n = 1\n"
      "  call KillUnit(n)\n"
      "endfunction\n";
  const Json utf8 = {{"general", {{"positionEncodings", {"utf-8"}}}}};
  const testing_util::ProcessResult result =
      Run({Message(1, "initialize", {{"capabilities", utf8}}), Message(nullptr, "initialized", Json::object()),
           Message(nullptr, "textDocument/didOpen",
                   {{"textDocument", {{"uri", uri_}, {"languageId", "jass"}, {"version", 1}, {"text", text}}}}),
           Message(2, "textDocument/hover", {{"textDocument", Doc()}, {"position", At(3, 17)}}),
           Message(3, "textDocument/definition", {{"textDocument", Doc()}, {"position", At(3, 8)}}),
           Message(4, "textDocument/rename", {{"textDocument", Doc()}, {"position", At(2, 16)}, {"newName", "k"}}),
           Message(5, "no/such/method", Json::object())},
          "Content-Length: 3\r\n\r\n{x}" + lsp::Frame(R"({"jsonrpc":"2.0","id":6,"method":"shutdown"})") +
              lsp::Frame(R"({"jsonrpc":"2.0","method":"exit"})"));
  EXPECT_EQ(result.exit_code, 0) << result.err;
  const std::vector<Json> all = Messages(result.out);
  ASSERT_TRUE(Answer(all, 1));
  EXPECT_EQ((*Answer(all, 1))["result"]["capabilities"]["positionEncoding"], "utf-8");

  std::vector<int> lines;
  for (const Json& message : all)
    if (message.value("method", "") == "textDocument/publishDiagnostics")
      for (const Json& diagnostic : message["params"]["diagnostics"])
        lines.push_back(diagnostic["range"]["start"]["line"]);
  EXPECT_EQ(lines, (std::vector<int>{1, 3}));

  EXPECT_NE((*Answer(all, 2))["result"]["contents"]["value"].get<std::string>().find("local integer n"),
            std::string::npos);
  const Json& definition = (*Answer(all, 3))["result"][0];
  const std::string target = definition["uri"];
  EXPECT_EQ(target.substr(target.size() - 9), "/common.j");
  EXPECT_EQ(definition["range"]["start"], At(1, 7));
  EXPECT_EQ((*Answer(all, 4))["result"]["changes"][uri_].size(), 2u);
  EXPECT_EQ((*Answer(all, 5))["error"]["code"], lsp::kMethodNotFound);
  bool parse_error = false;
  for (const Json& message : all)
    parse_error |= message.contains("error") && message["error"]["code"] == lsp::kParseError;
  EXPECT_TRUE(parse_error);
  EXPECT_TRUE((*Answer(all, 6))["result"].is_null());
}

TEST_F(LspProgram, TheExitCodeIsOneWithoutShutdown) {
  EXPECT_EQ(Run({Message(1, "initialize", {{"capabilities", Json::object()}})}).exit_code, 1);
  EXPECT_EQ(
      Run({Message(1, "initialize", {{"capabilities", Json::object()}}), Message(nullptr, "exit", nullptr)}).exit_code,
      1);
}

}  // namespace
}  // namespace zarn
