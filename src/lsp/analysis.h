// One analysis of one text of a document: the editor run over it, the
// names as written, and the diagnostics at the user's own lines. It serves
// every request until the text changes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "check/jass_api.h"
#include "check/jass_index.h"
#include "core/editor_run.h"
#include "lsp/positions.h"
#include "lsp/source_index.h"

namespace zarn::lsp {

// The game's API as the server keeps it: the files, their check, and their
// declarations with places, for definitions into common.j and Blizzard.j.
struct ApiFiles {
  JassApi api;
  JassIndex index;  // sources 0 (common.j) and 1 (Blizzard.j)
  std::string dir;
  std::vector<LineTable> lines;  // of each source
  std::string file;              // a built-in API's declarations file (lsp/builtin_api.h)
  static std::shared_ptr<const ApiFiles> Load(const std::string& dir);
};

enum class Severity { kError = 1, kWarning = 2, kInformation = 3 };

struct Diagnostic {
  Span at;  // in the document's text
  Severity severity = Severity::kError;
  std::string message;
};

// A file the document imports, with the diagnostics located in it.
struct ImportedFile {
  std::string path;
  std::string text;  // as the run read it
  LineTable lines;   // of `text`, read in place
  std::vector<Diagnostic> diagnostics;
};

// Made once and never moved: `lines` reads `text` in place.
struct Analysis {
  std::uint64_t revision = 0;
  std::string text;
  LineTable lines;
  std::shared_ptr<const ApiFiles> api;  // null: names and types unchecked
  SourceIndex source;
  EditorRunResult run;
  std::vector<Diagnostic> diagnostics;
  // The imported files that diagnostics are located in, by URI.
  std::map<std::string, std::unique_ptr<ImportedFile>> imported;

  // The type of a variable as the check found it, for those the text leaves
  // to inference; empty when unknown.
  std::string InferredType(const SourceSymbol& symbol) const;
  // The name of a source symbol's function; empty for a top-level symbol.
  std::string FunctionName(const SourceSymbol& symbol) const;
  // The symbol's declaration as JASS 2 writes it, with an inferred type
  // where the text has none ("unknown" when the check found none either);
  // an alias as its mount statement.
  std::string Signature(const SourceSymbol& symbol) const;
};

// `imports`, when set, says where the text's //!import lines lead.
// `previous`, the analysis this one replaces, is let go on the side while
// the run works: freeing a large script's analysis takes a while.
std::shared_ptr<const Analysis> Analyse(std::string text, std::uint64_t revision, std::shared_ptr<const ApiFiles> api,
                                        bool words, const ImportOptions* imports = nullptr,
                                        std::shared_ptr<const Analysis> previous = nullptr);

}  // namespace zarn::lsp
