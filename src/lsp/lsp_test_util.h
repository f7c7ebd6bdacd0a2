// Small documents, an API folder and whole conversations for the language
// server's tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lsp/server.h"
#include "platform/file_uri.h"
#include "platform/files.h"
#include "testing/scratch_folder.h"
#include "testing/test_util.h"

namespace zarn::lsp::test {

inline constexpr const char* kCommon =
    "type widget extends handle\n"
    "type unit extends widget\n"
    "type timer extends handle\n"
    "type group extends handle\n"
    "constant native GetTriggerUnit takes nothing returns unit\n"
    "native KillUnit takes unit whichUnit returns nothing\n"
    "native RemoveUnit takes unit whichUnit returns nothing\n"
    "native CreateTimer takes nothing returns timer\n"
    "native DestroyTimer takes timer whichTimer returns nothing\n"
    "native CreateGroup takes nothing returns group\n"
    "native DestroyGroup takes group whichGroup returns nothing\n"
    "native SetUnitState takes unit whichUnit, integer whichState, real newVal returns nothing\n";
inline constexpr const char* kBlizzard =
    "globals\n"
    "constant integer bj_MAX_PLAYERS = 12\n"
    "endglobals\n"
    "function BJDebugMsg takes string msg returns nothing\n"
    "endfunction\n";

// A folder with common.j and Blizzard.j, and the documents' folder beside it.
class ApiFolder {
 public:
  ApiFolder() {
    WriteFileBytes(folder_ / "common.j", kCommon);
    WriteFileBytes(folder_ / "Blizzard.j", kBlizzard);
  }
  const std::string& path() const { return folder_.path(); }
  std::string Uri(const std::string& name) const { return PathToFileUri(AbsolutePath(folder_ / name)); }

 private:
  testing_util::ScratchFolder folder_;
};

inline WorkspaceOptions WithApi(std::string api_dir) {
  WorkspaceOptions options;
  options.api_dir = std::move(api_dir);
  return options;
}

inline Json RequestMessage(int id, const std::string& method, Json params = Json::object()) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}
inline Json NotificationMessage(const std::string& method, Json params = Json::object()) {
  return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}
inline Json At(std::size_t line, std::size_t character) { return {{"line", line}, {"character", character}}; }

// Where a conversation's server runs: Serve in this process, or the built
// `zarn-cli --lsp` (zarn-cli.exe under Wine) with the same bytes on its
// standard input.
enum class ServerKind { kInProcess, kProgram };

inline const char* NameOf(ServerKind kind) { return kind == ServerKind::kProgram ? "Program" : "InProcess"; }

// A whole conversation: the bytes sent, then every message written back.
struct Conversation {
  std::string input;
  std::vector<Json> output;
  int exit_code = -1;
  std::string errors;  // the program's standard error

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
  // In process the input arrives `piece` bytes at a time. The program runs
  // in `api_dir`, which holds its input and output files.
  void Run(const std::string& api_dir, ServerKind kind = ServerKind::kInProcess, std::size_t piece = 1 << 16) {
    std::string written;
    if (kind == ServerKind::kProgram) {
      const std::string in = api_dir + "/lsp-input.bin";
      WriteFileBytes(in, input);
      const testing_util::ProcessResult result = testing_util::RunCommand(
          testing_util::Quote(testing_util::kBuiltCli) + " --lsp --api " + testing_util::Quote(api_dir), api_dir, in);
      exit_code = result.exit_code;
      errors = result.err;
      written = result.out;
    } else {
      MemorySource source(input, piece);
      MemorySink sink;
      exit_code = Serve(source, sink, WithApi(api_dir));
      written = sink.bytes();
    }
    MemorySource back(written);
    MessageReader reader(back);
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

}  // namespace zarn::lsp::test
