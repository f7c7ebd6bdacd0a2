#include "lsp/analysis.h"

#include <algorithm>
#include <future>

namespace zarn::lsp {

namespace {

std::string_view LineText(std::string_view text, const LineTable& table, std::size_t line) {
  return text.substr(table.LineStart(line), table.LineEnd(line) - table.LineStart(line));
}

// A marked statement gives one diagnostic: the check's problems on the same
// line of the user's text are left out.
void Diagnose(Analysis& a, const OriginsFactory& make_origins) {
  if (!a.run.failure.empty()) {
    a.diagnostics.push_back({{0, 0}, Severity::kError, a.run.failure});
    return;
  }
  if (a.run.markers.empty() && a.run.problems.empty() && !a.run.vjass) return;
  const std::unique_ptr<LineOrigins> origins = make_origins(a.text, a.run.processed);
  const LineTable& source_lines = a.lines;
  const LineTable processed_lines(a.run.processed);
  std::vector<std::size_t> marked;
  auto place = [&](std::size_t processed_line, std::size_t column) {
    const std::size_t line = origins->SourceLine(processed_line);
    const std::size_t start = source_lines.LineStart(line);
    const Span in_line = SourceSpanOf(LineText(a.text, source_lines, line),
                                      LineText(a.run.processed, processed_lines, processed_line), column);
    return std::make_pair(line, Span{start + in_line.begin, start + in_line.end});
  };
  for (const EditorMarker& marker : a.run.markers) {
    const auto [line, span] = place(marker.line, 0);
    marked.push_back(line);
    a.diagnostics.push_back({span, Severity::kError, marker.message});
  }
  for (const JassProblem& problem : a.run.problems) {
    const auto [line, span] = place(problem.line - 1, problem.column);
    if (std::find(marked.begin(), marked.end(), line) != marked.end()) continue;
    a.diagnostics.push_back({span, Severity::kError, problem.message});
  }
  if (a.run.vjass)
    a.diagnostics.push_back(
        {{0, 0}, Severity::kInformation, "the script holds vJass: only literals and block balance were checked"});
}

}  // namespace

std::shared_ptr<const ApiFiles> ApiFiles::Load(const std::string& dir) {
  auto files = std::make_shared<ApiFiles>(ApiFiles{JassApi::Load(dir), {}, dir, {}});
  for (const JassSource& source : files->api.sources()) files->lines.emplace_back(source.text);
  CheckJassProgram(files->api.sources(), nullptr, nullptr, JassCheckExtras{&files->index, nullptr});
  return files;
}

std::string Analysis::FunctionName(const SourceSymbol& symbol) const {
  return symbol.function >= 0 ? source.symbols()[symbol.function].name : std::string();
}

std::string Analysis::InferredType(const SourceSymbol& symbol) const {
  const JassDeclaration* declared = run.index.Find(FunctionName(symbol), symbol.name);
  if (!declared || declared->type == "unknown") return {};
  return declared->type;
}

std::string Analysis::Signature(const SourceSymbol& s) const {
  JassDeclaration d;
  d.name = s.name;
  d.type = s.type.empty() ? InferredType(s) : s.type;
  if (d.type.empty()) d.type = "unknown";
  d.params = s.params;
  d.constant = s.constant;
  d.array = s.array;
  switch (s.kind) {
    case SourceKind::kType: d.kind = JassSymbolKind::kType; break;
    case SourceKind::kNative: d.kind = JassSymbolKind::kNative; break;
    case SourceKind::kFunction: d.kind = JassSymbolKind::kFunction; break;
    case SourceKind::kGlobal: d.kind = JassSymbolKind::kGlobal; break;
    case SourceKind::kLocal: d.kind = JassSymbolKind::kLocal; break;
    case SourceKind::kParameter: d.kind = JassSymbolKind::kParameter; break;
    case SourceKind::kAlias: return "mount " + s.name + " to " + s.value;
  }
  return JassSignature(d);
}

std::shared_ptr<const Analysis> Analyse(std::string text, std::uint64_t revision, std::shared_ptr<const ApiFiles> api,
                                        bool words, const OriginsFactory& origins) {
  auto a = std::make_shared<Analysis>();
  a->revision = revision;
  a->text = std::move(text);
  a->lines = LineTable(a->text);
  a->api = std::move(api);
  // The names as written and the editor run read the same text, each on a
  // core of its own.
  std::future<SourceIndex> source = std::async(std::launch::async, [&text = a->text] { return SourceIndex(text); });
  EditorRunOptions options;
  options.script = a->text;
  options.api = a->api ? &a->api->api : nullptr;
  options.words = words;
  a->run = RunForEditor(options);
  a->source = source.get();
  Diagnose(*a, origins);
  return a;
}

}  // namespace zarn::lsp
