#include "bench/editor_bench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "lsp/server.h"
#include "lsp/workspace.h"
#include "platform/file_uri.h"
#include "platform/files.h"

namespace zarn::bench {

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

template <class Work>
double Time(Work&& work) {
  const Clock::time_point start = Clock::now();
  work();
  return Seconds(Clock::now() - start);
}

// Offsets of some calls spread over the text, for the requests.
std::vector<std::size_t> CallPlaces(const std::string& text, std::size_t count) {
  std::vector<std::size_t> places;
  const std::size_t step = text.size() / (count + 1);
  for (std::size_t i = 1; i <= count; ++i) {
    const std::size_t call = text.find("call ", i * step);
    if (call != std::string::npos) places.push_back(call + 6);
  }
  return places;
}

lsp::Json Message(int id, const std::string& method, lsp::Json params) {
  lsp::Json message = {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
  if (id > 0) message["id"] = id;
  return message;
}

// The document symbols as the server answers them: the time from the
// request to the written answer (the analysis made before), and its bytes.
void MeasureSymbols(const std::string& uri, const std::string& text, const std::string& api_dir) {
  lsp::MemorySink sink;
  lsp::MessageWriter writer(sink);
  lsp::Server server(lsp::WorkspaceOptions{api_dir}, writer);
  const lsp::Json doc = {{"uri", uri}};
  server.Handle({lsp::Incoming::Kind::kMessage, Message(1, "initialize", lsp::Json::object()), {}});
  server.Handle({lsp::Incoming::Kind::kMessage, Message(0, "initialized", lsp::Json::object()), {}});
  server.Handle({lsp::Incoming::Kind::kMessage,
                 Message(0, "textDocument/didOpen",
                         {{"textDocument", {{"uri", uri}, {"languageId", "jass"}, {"version", 1}, {"text", text}}}}),
                 {}});
  server.Handle(
      {lsp::Incoming::Kind::kMessage,
       Message(2, "textDocument/hover", {{"textDocument", doc}, {"position", {{"line", 0}, {"character", 0}}}}),
       {}});
  std::vector<double> times;
  std::size_t bytes = 0, symbols = 0;
  for (int r = 0; r < 3; ++r) {
    const std::size_t before = sink.bytes().size();
    times.push_back(Time([&] {
      server.Handle(
          {lsp::Incoming::Kind::kMessage, Message(3 + r, "textDocument/documentSymbol", {{"textDocument", doc}}), {}});
    }));
    bytes = sink.bytes().size() - before;
  }
  symbols = server.workspace().DocumentSymbols(uri).size();
  std::printf("editor document symbols: %.1f ms, %.2f MB for %zu top-level symbols (median of 3)\n",
              Median(times) * 1000, bytes / 1e6, symbols);
}

// The peak memory of zarn-cli --lsp that opens the script, answers a hover
// (which analyses it) and its document symbols, then ends.
void MeasureServerMemory(const std::string& uri, const std::string& text, const std::string& api_dir,
                         const std::string& cli, const std::string& scratch, const PeakOfCommand& peak_kb) {
  const lsp::Json doc = {{"uri", uri}};
  std::string input;
  for (const lsp::Json& message :
       {Message(1, "initialize", lsp::Json::object()), Message(0, "initialized", lsp::Json::object()),
        Message(0, "textDocument/didOpen",
                {{"textDocument", {{"uri", uri}, {"languageId", "jass"}, {"version", 1}, {"text", text}}}}),
        Message(2, "textDocument/hover", {{"textDocument", doc}, {"position", {{"line", 0}, {"character", 0}}}}),
        Message(3, "textDocument/documentSymbol", {{"textDocument", doc}}), Message(4, "shutdown", nullptr),
        Message(0, "exit", nullptr)})
    input += lsp::Frame(lsp::Dump(message));
  const std::string in = scratch + "/editor-input.bin";
  WriteFileBytes(in, input);
  const long kb = peak_kb({"sh", "-c", "exec \"$0\" --lsp --api \"$1\" < \"$2\"", cli, api_dir, in});
  std::printf("editor server memory: %.0f MB peak with the script open (zarn-cli --lsp)\n", kb / 1024.0);
}

}  // namespace

void MeasureEditor(const std::string& script_path, const std::string& api_dir, double script_run,
                   const std::string& cli, const std::string& scratch, const PeakOfCommand& peak_kb) {
  const std::string text = ReadFileBytes(script_path);

  lsp::WorkspaceOptions options;
  options.api_dir = api_dir;
  lsp::Workspace workspace(options);
  const std::string uri = PathToFileUri(AbsolutePath(script_path));
  workspace.documents().Open(uri, text, 1);
  workspace.Diagnostics(uri);  // the API is read once, on the first analysis
  std::vector<double> edits;
  std::size_t diagnostics = 0;
  for (int r = 0; r < 3; ++r) {
    // One blank typed in the middle of the script, as an incremental edit.
    const lsp::Position middle{lsp::LineTable(workspace.documents().Find(uri)->text()).LineOf(text.size() / 2), 0};
    workspace.documents().Change(uri, {{lsp::Range{middle, middle}, " "}}, 2 + r, lsp::PositionEncoding::kUtf16);
    edits.push_back(Time([&] { diagnostics = workspace.Diagnostics(uri).size(); }));
  }
  const double run = script_run, edit = Median(edits);
  std::printf("editor, %s: diagnostics after an edit %.3f s (%zu), zarn-cli --script --api %.3f s: %.2f times\n",
              script_path.c_str(), edit, diagnostics, run, run > 0 ? edit / run : 0);

  double hover = 0, definition = 0, completion = 0;
  const std::vector<std::size_t> places = CallPlaces(workspace.documents().Find(uri)->text(), 20);
  for (std::size_t at : places) {
    hover = std::max(hover, Time([&] { workspace.Hover(uri, at); }));
    definition = std::max(definition, Time([&] { workspace.Definition(uri, at); }));
    completion = std::max(completion, Time([&] { workspace.Complete(uri, at); }));
  }
  std::printf("editor requests, slowest of %zu: hover %.1f ms, definition %.1f ms, completion %.1f ms\n", places.size(),
              hover * 1000, definition * 1000, completion * 1000);
  MeasureSymbols(uri, text, api_dir);
  MeasureServerMemory(uri, text, api_dir, cli, scratch, peak_kb);
  std::fflush(stdout);
}

}  // namespace zarn::bench
