// One processing run: the stage table from loading to the end-of-run scan.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/report.h"
#include "passes/run.h"

namespace zarn {

// HideLiterals, RunPasses and RestoreLiterals: the whole preprocessing of
// run.raw as loaded (or run.lines when run.raw is empty), left in run.text.
void PreprocessScript(Run& run);

// The literals of the script (run.raw, or run.lines joined) hidden behind
// tokens in run.raw; its annotation lines above functions noted to be kept.
void HideLiterals(Run& run);
// Stages from whitespace normalisation to the final empty-line pass, on
// run.raw; the result is left in run.text, every line trimmed, none empty,
// each followed by CR LF (the join of the result's lines). A search that
// exceeds its limits throws Error("Script too complex to process: " + stage
// text).
void RunPasses(Run& run);
// The kept annotation lines put back above their functions, then every token
// in run.text replaced by its literal's bytes: the final script, whose lines
// are those of the literals as written.
void RestoreLiterals(Run& run);

// The end-of-run scan: marker lines, their entries and their count.
ErrorReport ScanForMarkers(const Lines& lines);
// The same for the lines of a text.
ErrorReport ScanTextForMarkers(std::string_view text);
// The scan of a run's result (run.text after PreprocessScript): marker text
// that stands inside a literal is not a marker.
ErrorReport ScanResultForMarkers(const Run& run);
// The message the scan gives a marker line (e.g.
// "Undefined type of variable"); empty for a marker of no known kind.
std::string_view MarkerMessage(std::string_view line);

struct MapRunOptions {
  std::string map_path;
  // Folder of the working files; empty: the platform's working folder.
  std::string tool_dir;
  bool delete_working_files = false;
  // Check the result as JASS 2 before it goes into the archive.
  bool check_result = true;
  // The folder of common.j and Blizzard.j; empty: tool_dir, when they are
  // there. Without them the check judges the grammar only.
  std::string api_dir;
  // --patch and --no-api (core/api_choice.h); without either, the map's
  // recorded version chooses the built-in table.
  std::string patch;
  bool no_api = false;
  // Keywords only as whole words in their statements' places (--words).
  bool words = false;
  // More folders that //!import lines may take files from (--import-path),
  // searched after the importing file's own folder.
  std::vector<std::string> import_paths;
};

// How far the JASS 2 check of a map run's result went.
enum class ResultCheck {
  kNone,     // no check: it was turned off, or markers were found first
  kFull,     // grammar, names and types, against an API (MapRunFacts::api)
  kGrammar,  // grammar only (--no-api)
  kVjass,    // a vJass script: closed literals and balanced blocks only
};

// What a map run learnt beyond its exit code, for a front end that tells the
// user about it afterwards.
struct MapRunFacts {
  // The folder of the working files, where common.j and Blizzard.j are
  // looked for too.
  std::string working_dir;
  ResultCheck check = ResultCheck::kNone;
  // Which API a full check used: "the 1.32 API (the map's version)".
  std::string api;
  // How many files //!import lines pasted into the script.
  std::size_t imported_files = 0;
};

// Extracts, preprocesses and, on a clean result, puts the script back. Returns
// the exit code: 0 when clean, 1 when markers were found (after they were
// presented), or when the result breaks the JASS 2 grammar (the problems
// presented as entries). Failures of the environment are thrown as Error.
// `facts`, when given, is filled in as the run goes.
int RunPipeline(const MapRunOptions& options, ProgressReporter& progress, ErrorPresenter& errors,
                MapRunFacts* facts = nullptr);

// True when a map path contains "w3m", "w3x" or "mpq" (case-sensitive).
bool PassesArchiveTest(const std::string& path);

}  // namespace zarn
