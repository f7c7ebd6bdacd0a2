#include "core/editor_run.h"

#include <optional>

#include "core/pipeline.h"
#include "core/result_check.h"
#include "core/result_places.h"
#include "passes/keyword_rule.h"
#include "platform/errors.h"
#include "text/script.h"

namespace zarn {

namespace {

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '=')) ++at;
    const std::size_t begin = at;
    while (at < text.size() && text[at] != ' ' && text[at] != '\t' && text[at] != '=') ++at;
    if (at > begin) words.push_back(text.substr(begin, at - begin));
  }
  return words;
}

// The function each line of the processed script stands in; empty outside.
std::vector<std::string> FunctionOfLines(const Lines& lines) {
  std::vector<std::string> of(lines.size());
  std::string current;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string_view> words = Words(lines[i]);
    std::size_t at = !words.empty() && words[0] == "constant" ? 1 : 0;
    if (words.size() > at + 1 && words[at] == "function") current = std::string(words[at + 1]);
    of[i] = current;
    if (!words.empty() && words[0] == "endfunction") current.clear();
  }
  return of;
}

// The name a marked statement would have declared, and whether it is global.
bool DeclaredName(std::string_view statement, std::string& name, bool& global) {
  std::vector<std::string_view> words = Words(statement);
  std::size_t at = !words.empty() && words[0] == "local" ? 1 : 0;
  if (at >= words.size()) return false;
  if (words[at] == "var") {
    if (at + 1 >= words.size()) return false;
    name = std::string(words[at + 1]);
    global = false;
    return true;
  }
  global = words[at] == "global";
  if (words[at] == "new") {
    ++at;
    global = at < words.size() && words[at] == "global";
    if (global) ++at;
  } else if (!global) {
    return false;
  } else {
    ++at;
  }
  // TYPE NAME
  if (at + 1 >= words.size()) return false;
  name = std::string(words[at + 1]);
  return true;
}

std::vector<EditorMarker> FindMarkers(const Run& run) {
  std::vector<EditorMarker> markers;
  if (run.text.find(kErrorMarkerStem) == std::string::npos) return markers;
  std::string masked = run.text;
  for (auto [begin, end] : run.literal_markers)
    for (std::size_t i = begin; i < end; ++i)
      if (masked[i] != '\r' && masked[i] != '\n') masked[i] = '_';
  const Lines lines = SplitText(masked);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t at = lines[i].find(kErrorMarkerStem);
    if (at == std::string::npos) continue;
    std::string message(MarkerMessage(lines[i]));
    if (message.empty()) message = "Can't translate this statement";
    std::string statement = lines[i].substr(at + kErrorMarkerStem.size());
    if (!statement.empty() && statement[0] == ':') statement.erase(0, 1);
    markers.push_back({i, std::move(message), std::move(statement)});
  }
  return markers;
}

}  // namespace

std::vector<JassAssumedName> AssumedNames(const std::string& processed, const std::vector<EditorMarker>& markers) {
  std::vector<JassAssumedName> names;
  if (markers.empty()) return names;
  const std::vector<std::string> functions = FunctionOfLines(SplitText(processed));
  for (const EditorMarker& marker : markers) {
    std::string name;
    bool global = false;
    if (!DeclaredName(marker.statement, name, global)) continue;
    const std::string function = marker.line < functions.size() ? functions[marker.line] : std::string();
    names.push_back({global ? std::string() : function, std::move(name)});
  }
  return names;
}

EditorRunResult RunForEditor(const EditorRunOptions& options) {
  EditorRunResult result;
  NullProgress progress;
  Run run(progress);
  if (options.words) run.keywords = KeywordRule::Words();
  if (options.imports) {
    ImportOptions imports = *options.imports;
    imports.script_name.clear();
    ImportedScript imported = PasteImports(std::string(options.script), imports);
    for (const ImportProblem& problem : imported.problems)
      result.import_problems.push_back(
          {{imported.sources.FileName(problem.at.file), problem.at.line, problem.column}, problem.message});
    run.raw = std::move(imported.text);
    if (imported.problems.empty()) {
      if (!imported.sources.files.empty())
        result.imported_files.assign(imported.sources.files.begin() + 1, imported.sources.files.end());
      run.sources = std::move(imported.sources);
    }
  } else {
    run.raw = options.script;
  }
  if (run.sources.lines.empty()) run.sources = SourceMap::OneFile("");
  BuildLanguageTables(run);
  SideWork<jass::FunctionAnnotations> read = ReadAnnotationsBeside(run.raw);
  try {
    PreprocessScript(run);
  } catch (const Error& e) {
    result.failure = e.what();
    return result;
  }
  const jass::FunctionAnnotations annotations = read.Take();
  result.words = run.keywords.words();
  result.markers = FindMarkers(run);
  // Made when there is something to place: it reads the input once more.
  std::optional<ResultPlaces> places;
  auto place = [&](std::size_t line, std::size_t column) {
    if (!places) places.emplace(run);
    return places->Of(line, column);
  };
  for (EditorMarker& marker : result.markers) marker.place = place(marker.line, 1);
  const std::vector<JassAssumedName> assumed = AssumedNames(run.text, result.markers);
  const JassCheckExtras extras{&result.index, &assumed, options.uses};
  JassCheckResult checked = CheckJassProgram({{"", run.text}}, options.api, &annotations, extras);
  // Without the API every name of common.j would be undefined: the names are
  // read for the index, the grammar alone is judged.
  if (!options.api) checked.problems = CheckJass(run.text).problems;
  for (const JassProblem& problem : checked.problems)
    result.problem_places.push_back(place(problem.line - 1, problem.column));
  result.problems = std::move(checked.problems);
  if (!result.words && (!result.markers.empty() || !result.problems.empty()))
    result.words_hint = WordsHint(options.script);
  result.processed = std::move(run.text);
  result.vjass = checked.vjass;
  return result;
}

}  // namespace zarn
