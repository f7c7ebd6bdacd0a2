// The run for an editor: a script preprocessed and its result checked even
// where it holds markers, so that both kinds of fault show at once, with what
// the check learnt of the result's names and types.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "check/jass_api.h"
#include "check/jass_checker.h"
#include "check/jass_index.h"
#include "core/imports.h"
#include "text/source_place.h"

namespace zarn {

struct EditorRunOptions {
  std::string_view script;       // the bytes as the editor holds them, read in place
  const JassApi* api = nullptr;  // null: the grammar is checked, names and types are not
  bool words = false;            // keywords as whole words (--words)
  bool uses = false;             // the index gets the uses of names too
  // Set: the script's //!import lines are followed as runs follow them.
  // Places in the script itself name the file "" (whatever
  // `imports->script_name` says), places in pasted files their real paths.
  const ImportOptions* imports = nullptr;
};

// An //!import line that could not be followed; the script is then
// checked as written, without its imports.
struct EditorImportProblem {
  SourcePlace place;  // the import line
  std::string message;
};

// A statement the preprocessor could not translate.
struct EditorMarker {
  std::size_t line = 0;   // in the processed script, from 0
  std::string message;    // as the end-of-run scan gives it, e.g. "Undefined type of variable"
  std::string statement;  // the statement after the marker text
  SourcePlace place;      // in the script as the editor holds it
};

struct EditorRunResult {
  std::string processed;  // the script after preprocessing, markers included
  std::vector<EditorMarker> markers;
  // The check's problems, in the processed script (`source` 0 is the script,
  // and with the API 1 and 2 are never given: its own problems are left out).
  std::vector<JassProblem> problems;
  std::vector<SourcePlace> problem_places;  // by problem, in the script as the editor holds it
  // The declarations of the processed script, source 0 (uses only when
  // asked for).
  JassIndex index;
  bool vjass = false;
  bool words = false;  // word mode was on, by the option or a "//!words" line
  // The hint a run prints with its faults when names hold keywords and word
  // mode is off; empty otherwise.
  std::string words_hint;
  std::vector<EditorImportProblem> import_problems;
  // The real paths of the files pasted by //!import, in the order first
  // pasted; empty when an import could not be followed.
  std::vector<std::string> imported_files;
  // Why preprocessing stopped, when it did; the rest is then empty.
  std::string failure;
};

// Never throws for what a script holds: a script too complex to process
// gives `failure`.
EditorRunResult RunForEditor(const EditorRunOptions& options);

// The names that marked statements would have declared, for the check: a
// marked "var x", "new T x" (locals of their function) and "new global T x"
// or "global T x" (globals).
std::vector<JassAssumedName> AssumedNames(const std::string& processed, const std::vector<EditorMarker>& markers);

}  // namespace zarn
