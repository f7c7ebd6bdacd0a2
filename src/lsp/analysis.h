// One analysis of one text of a document: the editor run over it, the
// names as written, and the diagnostics at the user's own lines. It serves
// every request until the text changes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
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

// An open document that an analysis may import: its unsaved text is pasted
// in place of the file's bytes.
struct OpenFile {
  std::string uri;
  std::string_view text;
  std::uint64_t revision = 0;
};
using OpenFiles = std::map<std::string, OpenFile>;  // by real path

// A file an analysis pasted: the open document's URI and the revision of
// the text used, or the file's URI and 0 when its bytes were read.
struct ImportInput {
  std::string uri;
  std::uint64_t revision = 0;
};

// Made once and never moved: `lines` reads `text` in place.
struct Analysis {
  std::uint64_t revision = 0;
  std::shared_ptr<const std::string> content;  // the document's text, shared with it
  std::string_view text;                       // of `content`
  LineTable lines;
  std::shared_ptr<const ApiFiles> api;  // null: names and types unchecked
  SourceIndex source;
  EditorRunResult run;
  std::vector<Diagnostic> diagnostics;
  // The imported files that diagnostics are located in, by URI.
  std::map<std::string, std::unique_ptr<ImportedFile>> imported;
  // Every file pasted, by the texts used: the analysis is stale once one of
  // them changes.
  std::vector<ImportInput> inputs;

  bool Imports(const std::string& uri) const;

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

// `imports`, when set, says where the text's //!import lines lead; an
// imported file that is open in `open` is pasted as the editor holds it.
// `previous`, the analysis this one replaces, is let go on the side while
// the run works: freeing a large script's analysis takes a while.
std::shared_ptr<const Analysis> Analyse(std::shared_ptr<const std::string> text, std::uint64_t revision,
                                        std::shared_ptr<const ApiFiles> api, bool words,
                                        const ImportOptions* imports = nullptr,
                                        std::shared_ptr<const Analysis> previous = nullptr,
                                        const OpenFiles* open = nullptr);

}  // namespace zarn::lsp
