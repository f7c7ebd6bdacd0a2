#include "core/pipeline.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <utility>

#include "core/api_choice.h"
#include "core/imports.h"
#include "core/result_check.h"
#include "core/result_places.h"
#include "map/map_access.h"
#include "map/map_info.h"
#include "passes/assignment_spacing.h"
#include "passes/block_parser.h"
#include "passes/line_tracking.h"
#include "passes/normalise.h"
#include "passes/raw_blocks.h"
#include "passes/signatures.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/locks.h"
#include "platform/paths.h"
#include "text/match_limit_error.h"
#include "text/text.h"
#include "text/text_search.h"

namespace zarn {

namespace {

// Reports a stage, then does its work. A search that runs into its limits
// ends the run rather than passing for "no match".
template <class Work>
void Stage(Run& run, const char* text, int value, Work&& work) {
  run.progress.SetProgress(text, value);
  try {
    std::forward<Work>(work)();
  } catch (const MatchLimitError&) { throw Error(std::string("Script too complex to process: ") + text); }
}

struct MarkerKind {
  std::string kind;  // marker and statement keyword, e.g. "//!ZARN Error:var"
  const char* message;
};

const MarkerKind kMarkerKinds[] = {
    {kErrorMarker + std::string("var"), "Undefined type of variable"},
    {kErrorMarker + std::string("flush"), "Can't parse flushing"},
    {kErrorMarker + std::string("free"), "Can't find destructor for this type"},
    {kErrorMarker + std::string("global"), "Can't parse this global declaration"},
};

// A line is of a kind when it holds the kind followed by a blank, or ends with
// the kind (a marker for a bare keyword such as a lone "var").
bool IsOfKind(std::string_view line, std::string_view kind) {
  std::string with_blank = std::string(kind) + " ";
  if (line.find(with_blank) != std::string_view::npos) return true;
  return line.size() >= kind.size() && line.substr(line.size() - kind.size()) == kind;
}

}  // namespace

bool PassesArchiveTest(const std::string& path) {
  return Contains(path, "w3m") || Contains(path, "w3x") || Contains(path, "mpq");
}

void HideLiterals(Run& run) {
  if (run.raw.empty()) {
    run.raw = JoinLines(run.lines);
    Lines().swap(run.lines);
  }
  run.annotations.Collect(run.raw);
  // The input is kept as it came, for the user's own lines.
  run.input = std::move(run.raw);
  if (run.sources.files.empty()) run.sources = SourceMap::OneFile("-");
  run.raw = run.literals.Hide(run.input);
}

void RunPasses(Run& run) {
  RewriteBudget budget(run.raw.size());
  Stage(run, "Parsing spaces: WORKING...", 30, [&] {
    NormaliseBytesIntoText(run.raw);
    run.text.swap(run.raw);
    std::string().swap(run.raw);
    // Line for line: each line of the text is that line of the input.
    run.origins = IdentityOrigins(run.text);
  });
  Stage(run, "Parsing comments: WORKING...", 40, [&] { TrackLines(run, RemoveComments); });
  Stage(run, "Split //!nozarn: WORKING...", 50, [&] {
    SplitRawBlocks(run);
    if (TakeWordsDirective(run.text)) run.keywords = KeywordRule::Words();
  });
  Stage(run, "Fixing some shit: WORKING...", 60, [&] {
    TrackLines(run, FixAssignmentSpacing);
    RegisterUserSignatures(run);
  });
  Stage(run, "Parsing empty lines: WORKING...", 80, [&] {
    RemoveEmptyLinesFromText(run.text, &run.origins);
    ParseBlocks(run);
  });
  Stage(run, "Join //!nozarn: WORKING...", 90, [&] {
    JoinRawBlocks(run);
    // The split, the empty-line pass and the join, without a string per line.
    RemoveEmptyLinesFromText(run.text, &run.origins);
  });
}

void RestoreLiterals(Run& run) {
  run.annotations.PutBack(run.text, &run.origins);
  run.literal_markers.clear();
  // Put back within the text's own buffer: the run then never holds the
  // hidden and the restored text at once.
  run.restored_line_starts = run.literals.RestoredLineStarts(run.text);
  run.literals.RestoreInPlace(run.text, &run.literal_markers);
}

void PreprocessScript(Run& run) {
  HideLiterals(run);
  RunPasses(run);
  RestoreLiterals(run);
}

std::string_view MarkerMessage(std::string_view line) {
  for (const MarkerKind& kind : kMarkerKinds)
    if (IsOfKind(line, kind.kind)) return kind.message;
  return {};
}

ErrorReport ScanForMarkers(const Lines& lines) {
  ErrorReport report;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.find(kErrorMarkerStem) == std::string::npos) continue;
    if (report.marker_count++ == 0) report.first_marker_line = i;
    for (const MarkerKind& kind : kMarkerKinds) {
      if (IsOfKind(line, kind.kind)) {
        // The place in the processed line as shown, without marker texts;
        // a run replaces it by the user's own (PlaceEntries).
        const std::size_t marker = line.find(kErrorMarkerStem);
        const std::size_t column = ScriptWithoutMarkers(std::string_view(line).substr(0, marker)).size() + 1;
        report.entries.push_back({SourcePlace{"", i + 1, column}, kind.message, i});
        break;
      }
    }
  }
  if (report.marker_count > 0) report.script = JoinLines(lines);
  return report;
}

ErrorReport ScanResultForMarkers(const Run& run) {
  if (run.literal_markers.empty()) return ScanTextForMarkers(run.text);
  // Marker text inside a literal is data: the scan reads a copy in which it
  // is blanked out, the report shows the script as it is.
  std::string masked = run.text;
  for (auto [begin, end] : run.literal_markers)
    for (std::size_t i = begin; i < end; ++i)
      if (masked[i] != '\r' && masked[i] != '\n') masked[i] = '_';
  ErrorReport report = ScanTextForMarkers(masked);
  if (report.marker_count > 0) report.script = run.text;
  return report;
}

ErrorReport ScanTextForMarkers(std::string_view text) {
  // Most scripts hold no marker: one search of the whole text settles that.
  if (FindText(text, kErrorMarkerStem) == std::string_view::npos) return {};
  return ScanForMarkers(SplitText(text));
}

int RunPipeline(const MapRunOptions& options, ProgressReporter& progress, ErrorPresenter& errors, MapRunFacts* facts) {
  const std::string tool_dir = options.tool_dir.empty() ? WorkingDir() : options.tool_dir;
  if (facts) facts->working_dir = tool_dir;
  Run run(progress);
  if (options.words) run.keywords = KeywordRule::Words();
  BuildLanguageTables(run);
  const std::string extracted = PathJoin(tool_dir, "war3map.j");
  const std::string parsed = PathJoin(tool_dir, "war3map_parsed.j");

  // The working files have fixed names, so runs sharing a folder take turns.
  FileLock lock(PathJoin(tool_dir, "zarn.lock"));
  if (!lock.TryLock()) {
    progress.SetProgress("Waiting for another run to finish...", 0);
    lock.Lock();
  }

  const std::unique_ptr<MapAccess> map = OpenMap(options.map_path);
  progress.SetProgress("Opening archive: WORKING...", 10);
  map->ExtractScript(extracted, progress);
  ImportedScript imported;
  Stage(run, "Extracting script: WORKING...", 20, [&] {
    const std::string own = map->ScriptOnDisk();
    imported = PasteImports(ReadFileBytes(extracted),
                            {own.empty() ? extracted : own, own, map->ImportFolder(), options.import_paths});
  });
  if (facts) facts->imported_files = imported.imported_count();
  if (!imported.problems.empty()) {
    errors.PresentErrors(ImportProblemsReport(imported));
    return 1;
  }
  // The hint reads the script again; pasted imports are kept for it instead.
  const std::string pasted = imported.imported_count() > 0 && !run.keywords.words() ? imported.text : std::string();
  run.raw = std::move(imported.text);
  // Entries name the map's script as the user can open it: the extracted
  // working file, which a refused run keeps, or a folder map's war3map.j.
  run.sources = std::move(imported.sources);

  SideWork<jass::FunctionAnnotations> read = ReadAnnotationsBeside(run.raw, options.check_result);
  PreprocessScript(run);
  const jass::FunctionAnnotations annotations = read.Take();

  ErrorReport report;
  Stage(run, "Finding errors: WORKING...", 100, [&] { report = ScanResultForMarkers(run); });
  if (report.marker_count == 0 && options.check_result) {
    ChosenApi chosen;
    Stage(run, "Reading the game's API: WORKING...", 100, [&] {
      const MapVersion recorded = ReadMapVersion(map->InfoHeader());
      chosen = ChooseApi({options.api_dir, options.patch, options.no_api}, tool_dir, &recorded, progress);
    });
    bool vjass = false;
    Stage(run, "Checking script: WORKING...", 100,
          [&] { report = CheckChosen(run.text, progress, chosen, &annotations, &vjass); });
    if (facts) {
      facts->check = vjass ? ResultCheck::kVjass : chosen.api ? ResultCheck::kFull : ResultCheck::kGrammar;
      if (!vjass) facts->api = chosen.Description();
    }
  }
  if (report.marker_count > 0) {
    PlaceEntries(run, report);
    if (!run.keywords.words()) report.hint = WordsHint(pasted.empty() ? ReadFileBytes(extracted) : pasted);
    errors.PresentErrors(report);
    return 1;
  }
  CheckWorkingFileTarget(parsed, map->KeptFile());
  WriteFileBytes(parsed, run.text);
  progress.SetProgress("Closing archive: WORKING...", 110);
  map->InsertScript(parsed);
  progress.SetProgress("Closing archive: DONE!", 120);
  if (options.delete_working_files) {
    RemoveFile(extracted);
    RemoveFile(parsed);
  }
  return 0;
}

}  // namespace zarn
