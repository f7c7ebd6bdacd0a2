#include "bench/editor_bench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

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

}  // namespace

void MeasureEditor(const std::string& script_path, const std::string& api_dir, double script_run) {
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
    const lsp::Position middle{lsp::LineTable(workspace.documents().Find(uri)->text).LineOf(text.size() / 2), 0};
    workspace.documents().Change(uri, {{lsp::Range{middle, middle}, " "}}, 2 + r, lsp::PositionEncoding::kUtf16);
    edits.push_back(Time([&] { diagnostics = workspace.Diagnostics(uri).size(); }));
  }
  const double run = script_run, edit = Median(edits);
  std::printf("editor, %s: diagnostics after an edit %.3f s (%zu), zarn-cli --script --api %.3f s: %.2f times\n",
              script_path.c_str(), edit, diagnostics, run, run > 0 ? edit / run : 0);

  double hover = 0, definition = 0, completion = 0;
  const std::vector<std::size_t> places = CallPlaces(workspace.documents().Find(uri)->text, 20);
  for (std::size_t at : places) {
    hover = std::max(hover, Time([&] { workspace.Hover(uri, at); }));
    definition = std::max(definition, Time([&] { workspace.Definition(uri, at); }));
    completion = std::max(completion, Time([&] { workspace.Complete(uri, at); }));
  }
  std::printf("editor requests, slowest of %zu: hover %.1f ms, definition %.1f ms, completion %.1f ms\n", places.size(),
              hover * 1000, definition * 1000, completion * 1000);
  std::fflush(stdout);
}

}  // namespace zarn::bench
