// The editor's features as a plain C++ API over the open documents: no
// JSON, no protocol. Places are byte offsets into the texts they name; the
// protocol layer turns them into the client's positions.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "lsp/analysis.h"
#include "lsp/builtin_api.h"
#include "lsp/documents.h"

namespace zarn::lsp {

struct WorkspaceOptions {
  std::string api_dir;  // --api; empty: looked for beside the document, in the root, in the working folder
  // --patch (or the "patch" initialization option) and --no-api; without
  // them and files, the built-in API (lsp/builtin_api.h).
  std::string patch;
  bool no_api = false;
  bool words = false;  // --words
  std::string root;    // the workspace's folder, when the client names one
  // --import-path: where //!import looks after the importing file's folder.
  std::vector<std::string> import_paths;
  bool follow_imports = true;  // false: //!import lines read no files (the fuzz target)
  // Where the built-in API's declarations files go; empty: the working
  // folder's api/ folder.
  std::string declarations_dir;
};

// A span of some text: an open document or one of the API's files.
struct Location {
  std::string uri;
  Span at;
  const LineTable* lines = nullptr;  // of the text the span is in, alive while its analysis or API is
};

struct HoverInfo {
  std::string markdown;
  Span at;
};

enum class ItemKind { kKeyword, kType, kFunction, kNative, kGlobal, kConstant, kLocal, kParameter, kAlias };

struct CompletionItem {
  std::string label;
  ItemKind kind = ItemKind::kLocal;
  std::string detail;  // the signature or the type
};

struct CompletionList {
  std::vector<CompletionItem> items;
  // More items begin with what was typed than are given: the client asks
  // again as the word grows.
  bool incomplete = false;
};

struct SignatureInfo {
  std::string label;
  std::vector<Span> parameters;  // into the label
  std::size_t active = 0;
};

struct SymbolInfo {
  std::string name, detail;
  ItemKind kind = ItemKind::kFunction;
  Span whole, name_at;
  std::vector<SymbolInfo> children;
};

struct TextChange {
  Span at;
  std::string text;
};

struct RenameResult {
  std::string error;                                       // non-empty: refused, and why
  std::map<std::string, std::vector<TextChange>> changes;  // by document
};

// The standard token types and modifiers the server uses, in the order of
// its legend; `global` is ZARN's own modifier, which clients may theme or
// ignore.
enum class TokenType {
  kType,
  kFunction,
  kVariable,
  kParameter,
  kKeyword,
  kComment,
  kString,
  kNumber,
  kOperator,
  kMacro
};
enum TokenModifier : unsigned { kDeclaration = 1, kReadonly = 2, kDefaultLibrary = 4, kGlobalModifier = 8 };

struct SemanticToken {
  Span at;  // within one line
  TokenType type = TokenType::kVariable;
  unsigned modifiers = 0;
};

struct InlayHint {
  std::size_t at = 0;
  std::string label;
  bool type = true;  // a type after a name; false: a parameter name before an argument
};

struct InlayHintOptions {
  bool variable_types = true, parameter_names = true;
};

struct CodeAction {
  std::string title;
  std::vector<TextChange> edits;  // in the document asked about
  std::vector<Diagnostic> fixes;  // the diagnostics it mends
  bool preferred = false;
};

struct FoldingRange {
  std::size_t start_line = 0, end_line = 0;  // from 0
  enum class Kind { kRegion, kComment } kind = Kind::kRegion;
};

struct Highlight {
  Span at;
  bool declaration = false;
};

struct WorkspaceSymbol {
  std::string name, container;
  ItemKind kind = ItemKind::kFunction;
  Location location;
};

class Workspace {
 public:
  explicit Workspace(WorkspaceOptions options) : options_(std::move(options)), builtin_(options_.declarations_dir) {}

  DocumentStore& documents() { return documents_; }
  void SetRoot(std::string root) { options_.root = std::move(root); }
  // A patch the client asks for, unless --patch named one.
  void SetPatch(std::string patch) {
    if (options_.patch.empty()) options_.patch = std::move(patch);
  }

  // The analysis of a document's current text, made now when the text has
  // changed since the last; null for a document that is not open.
  std::shared_ptr<const Analysis> AnalysisOf(const std::string& uri);
  // True when the document's current text has been analysed already.
  bool IsAnalysed(const std::string& uri) const;
  // The analyses of open documents, made already, that locate diagnostics
  // in the file of `uri` through their imports; those of documents that an
  // open document imports in turn are left out.
  std::vector<std::shared_ptr<const Analysis>> AnalysedImporters(const std::string& uri) const;
  // The open document whose program an open document is checked in: of the
  // open documents that import it, the first by URI that no open document
  // imports, else the first. Empty: it is checked alone.
  std::string ContextOf(const std::string& uri);
  // The diagnostics to show for an open document: its own analysis's, or
  // those its context found in it.
  std::vector<Diagnostic> Diagnostics(const std::string& uri);
  // The files that the analysis of `uri`, made already, pasted.
  std::vector<std::string> PastedBy(const std::string& uri) const;
  // The open documents whose analyses, made already, pasted `uri`.
  std::vector<std::string> ImportersOf(const std::string& uri) const;
  // Remarks for the user that are no diagnostics, such as an API that was
  // not found; each is given once.
  std::vector<std::string> TakeNotes();

  std::optional<HoverInfo> Hover(const std::string& uri, std::size_t offset);
  std::vector<Location> Definition(const std::string& uri, std::size_t offset);
  std::vector<Location> References(const std::string& uri, std::size_t offset, bool with_declaration);
  RenameResult Rename(const std::string& uri, std::size_t offset, const std::string& new_name);
  // At most kMaxCompletions items, the locals first.
  static constexpr std::size_t kMaxCompletions = 200;
  CompletionList Complete(const std::string& uri, std::size_t offset);
  std::optional<SignatureInfo> SignatureHelp(const std::string& uri, std::size_t offset);
  // The top-level declarations with their locals; past kFullOutline of them
  // (a generated script) only their names, kinds and spans, so that an
  // editor's outline of tens of thousands stays quick and small.
  static constexpr std::size_t kFullOutline = 5000;
  std::vector<SymbolInfo> DocumentSymbols(const std::string& uri);
  // The tokens of the text within `range`, in text order.
  std::vector<SemanticToken> SemanticTokens(const std::string& uri, Span range);
  std::vector<InlayHint> InlayHints(const std::string& uri, Span range, InlayHintOptions options);
  // Fixes for the diagnostics that overlap `range`: each name a "did you
  // mean" suggests, and a //!words line where a run would hint at word mode.
  std::vector<CodeAction> CodeActions(const std::string& uri, Span range);
  std::vector<FoldingRange> FoldingRanges(const std::string& uri);
  // The name at the offset and its other uses in the same document.
  std::vector<Highlight> DocumentHighlights(const std::string& uri, std::size_t offset);
  // The top-level names of the open documents, of the files they import and
  // of the API, whose names hold `query` (any case); at most kMaxSymbols.
  static constexpr std::size_t kMaxSymbols = 500;
  std::vector<WorkspaceSymbol> WorkspaceSymbols(const std::string& query);

 private:
  // What a name at a place means: a symbol of some open document's text,
  // or a declaration of the API.
  struct Target {
    std::shared_ptr<const Analysis> analysis;  // of the document that declares it
    std::string uri;
    int symbol = -1;
    const JassDeclaration* api = nullptr;
    std::string name;
  };
  std::optional<HoverInfo> HoverText(const std::string& uri, std::size_t offset);
  // A name the document does not declare, as another open document or the
  // API declares it; each name is looked up once.
  using NameTokens = std::map<std::string_view, std::optional<SemanticToken>>;
  std::optional<SemanticToken> DeclaredElsewhere(std::string_view name, const std::string& uri, NameTokens& known);
  std::optional<Target> TargetAt(const std::string& uri, std::size_t offset);
  std::optional<Target> FindTopLevel(const std::string& name, const std::string& first_uri);
  std::shared_ptr<const ApiFiles> ApiFor(const std::string& uri);
  std::vector<std::pair<std::string, std::shared_ptr<const Analysis>>> OpenAnalyses();
  // The open documents that are files, by real path, for imports.
  OpenFiles OpenTexts() const;
  // Made of the document's current text and of the current texts of the
  // files it pasted.
  bool IsFresh(const Analysis& analysis, const Document& document) const;
  bool IsImportedByOpen(const std::string& uri) const;
  std::vector<Location> Uses(const Target& target, bool with_declaration);
  Location ApiLocation(const ApiFiles& api, const JassDeclaration& declaration) const;
  std::string RefuseRename(const Target& target, const std::string& new_name);
  // Items whose labels begin with `typed` (any case), up to the limit.
  void AddBodyItems(const Analysis& analysis, int function, std::string_view typed, CompletionList& list);
  void AddTypes(const Analysis& analysis, std::string_view typed, CompletionList& list);
  void AddTypeHints(const Analysis& analysis, Span range, std::vector<InlayHint>& hints);
  void AddParameterHints(const Analysis& analysis, const std::string& uri, Span range, std::vector<InlayHint>& hints);
  // The user's or the API's function or native of this name.
  std::optional<JassDeclaration> Callable(const std::string& name, const std::string& uri);
  // The imported files that are not open, indexed when workspace symbols
  // are asked for, by URI, with the text they were read from.
  struct IndexedFile {
    std::string text;
    LineTable lines;
    SourceIndex index;
  };
  std::map<std::string, std::unique_ptr<IndexedFile>> imported_indexes_;

  WorkspaceOptions options_;
  DocumentStore documents_;
  std::map<std::string, std::shared_ptr<const Analysis>> analyses_;
  std::map<std::string, std::shared_ptr<const ApiFiles>> apis_;  // by folder
  BuiltinApis builtin_;
  std::set<std::string> noted_;
  std::vector<std::string> notes_;
};

}  // namespace zarn::lsp
