#include "lsp/analysis.h"

#include <algorithm>
#include <future>
#include <utility>

#include "platform/errors.h"
#include "platform/file_uri.h"
#include "platform/files.h"

namespace zarn::lsp {

namespace {

bool IsWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// The span at a place of a text: the word that starts there, or with
// `whole_line` the line from there to its last non-blank byte.
Span SpanAt(std::string_view text, const LineTable& lines, const SourcePlace& place, bool whole_line) {
  const std::size_t line = place.line > 0 ? place.line - 1 : 0;
  const std::size_t start = lines.LineStart(line), end = lines.LineEnd(line);
  const std::size_t begin = std::min(start + (place.column > 0 ? place.column - 1 : 0), end);
  std::size_t stop = begin;
  if (whole_line) {
    stop = end;
    while (stop > begin && IsBlank(text[stop - 1])) --stop;
  } else {
    while (stop < end && IsWordByte(text[stop])) ++stop;
    if (stop == begin && stop < end) ++stop;
  }
  return {begin, stop};
}

const OpenFile* OpenAt(const OpenFiles* open, const std::string& path) {
  if (!open) return nullptr;
  const auto found = open->find(path);
  return found == open->end() ? nullptr : &found->second;
}

// Puts each diagnostic into the document's own list or into that of the
// imported file its place names.
class DiagnosticSink {
 public:
  DiagnosticSink(Analysis& a, const OpenFiles* open) : a_(a), open_(open) {}

  // A marked statement gives one diagnostic: the check's problems on the
  // same line of the same file are left out.
  bool IsMarked(const SourcePlace& place) const {
    return std::find(marked_.begin(), marked_.end(), std::make_pair(place.file, place.line)) != marked_.end();
  }
  void Mark(const SourcePlace& place) { marked_.emplace_back(place.file, place.line); }

  void Add(const SourcePlace& place, bool whole_line, Severity severity, std::string message) {
    if (place.file.empty()) {
      a_.diagnostics.push_back({SpanAt(a_.text, a_.lines, place, whole_line), severity, std::move(message)});
      return;
    }
    if (ImportedFile* file = File(place.file))
      file->diagnostics.push_back({SpanAt(file->text, file->lines, place, whole_line), severity, std::move(message)});
  }

 private:
  // The imported file as the run read it; null when it cannot be read now.
  ImportedFile* File(const std::string& path) {
    const OpenFile* open = OpenAt(open_, path);
    const std::string uri = open ? open->uri : PathToFileUri(path);
    auto& file = a_.imported[uri];
    if (!file) {
      std::string text;
      try {
        text = open ? std::string(open->text) : ReadFileBytes(path);
      } catch (const FileError&) {
        a_.imported.erase(uri);
        return nullptr;
      }
      text.resize(std::min(text.size(), text.find('\0')));
      file = std::make_unique<ImportedFile>();
      file->path = path;
      file->text = std::move(text);
      file->lines = LineTable(file->text);
    }
    return file.get();
  }

  Analysis& a_;
  const OpenFiles* open_;
  std::vector<std::pair<std::string, std::size_t>> marked_;
};

void Diagnose(Analysis& a, const OpenFiles* open) {
  DiagnosticSink sink(a, open);
  for (const EditorImportProblem& problem : a.run.import_problems)
    sink.Add(problem.place, true, Severity::kError, problem.message);
  if (!a.run.failure.empty()) {
    a.diagnostics.push_back({{0, 0}, Severity::kError, a.run.failure});
    return;
  }
  for (const EditorMarker& marker : a.run.markers) {
    sink.Mark(marker.place);
    sink.Add(marker.place, true, Severity::kError, marker.message);
  }
  for (std::size_t i = 0; i < a.run.problems.size(); ++i) {
    const SourcePlace& place = a.run.problem_places[i];
    if (!sink.IsMarked(place)) sink.Add(place, false, Severity::kError, a.run.problems[i].message);
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

bool Analysis::Imports(const std::string& uri) const {
  return std::any_of(inputs.begin(), inputs.end(), [&](const ImportInput& input) { return input.uri == uri; });
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

std::shared_ptr<const Analysis> Analyse(std::shared_ptr<const std::string> text, std::uint64_t revision,
                                        std::shared_ptr<const ApiFiles> api, bool words, const ImportOptions* imports,
                                        std::shared_ptr<const Analysis> previous, const OpenFiles* open) {
  auto a = std::make_shared<Analysis>();
  a->revision = revision;
  a->content = std::move(text);
  a->text = *a->content;
  a->lines = LineTable(a->text);
  a->api = std::move(api);
  // The names as written and the editor run read the same text, each on a
  // core of its own.
  std::future<SourceIndex> source =
      std::async(std::launch::async, [&text = a->text, previous = std::move(previous)]() mutable {
        previous.reset();
        return SourceIndex(text);
      });
  EditorRunOptions options;
  options.script = a->text;
  options.api = a->api ? &a->api->api : nullptr;
  options.words = words;
  ImportOptions with_open;
  if (imports) {
    with_open = *imports;
    if (open)
      with_open.text_of = [open](const std::string& path) -> std::optional<std::string> {
        const OpenFile* file = OpenAt(open, path);
        return file ? std::optional<std::string>(file->text) : std::nullopt;
      };
    options.imports = &with_open;
  }
  a->run = RunForEditor(options);
  std::string().swap(a->run.processed);  // not read here: a large script's copy is let go
  for (const std::string& path : a->run.imported_files) {
    const OpenFile* file = OpenAt(open, path);
    a->inputs.push_back(file ? ImportInput{file->uri, file->revision} : ImportInput{PathToFileUri(path), 0});
  }
  a->source = source.get();
  Diagnose(*a, open);
  return a;
}

}  // namespace zarn::lsp
