// Symbols across the workspace: the open documents, the files they import
// and the API.
#include <cctype>

#include "lsp/workspace.h"
#include "platform/errors.h"
#include "platform/file_uri.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace zarn::lsp {

namespace {

bool Holds(std::string_view name, std::string_view query) {
  if (query.size() > name.size()) return false;
  for (std::size_t at = 0; at + query.size() <= name.size(); ++at) {
    std::size_t i = 0;
    while (i < query.size() &&
           std::tolower(static_cast<unsigned char>(name[at + i])) == std::tolower(static_cast<unsigned char>(query[i])))
      ++i;
    if (i == query.size()) return true;
  }
  return false;
}

ItemKind KindOf(SourceKind kind, bool constant) {
  switch (kind) {
    case SourceKind::kType: return ItemKind::kType;
    case SourceKind::kNative: return ItemKind::kNative;
    case SourceKind::kFunction: return ItemKind::kFunction;
    default: return constant ? ItemKind::kConstant : ItemKind::kGlobal;
  }
}

ItemKind KindOf(const JassDeclaration& d) {
  switch (d.kind) {
    case JassSymbolKind::kType: return ItemKind::kType;
    case JassSymbolKind::kNative: return ItemKind::kNative;
    case JassSymbolKind::kFunction: return ItemKind::kFunction;
    default: return d.constant ? ItemKind::kConstant : ItemKind::kGlobal;
  }
}

}  // namespace

std::vector<WorkspaceSymbol> Workspace::WorkspaceSymbols(const std::string& query) {
  std::vector<WorkspaceSymbol> found;
  imported_indexes_.clear();   // read again each time: the files may have changed
  std::set<std::string> seen;  // files, and API folders
  auto add_index = [&](const std::string& uri, const SourceIndex& index, const LineTable& lines) {
    if (!seen.insert(uri).second) return;
    for (int id : index.top_level()) {
      const SourceSymbol& s = index.symbols()[id];
      if (found.size() >= kMaxSymbols || !Holds(s.name, query)) continue;
      found.push_back(
          {s.name, FileName(FileUriToPath(uri).value_or(uri)), KindOf(s.kind, s.constant), {uri, s.at, &lines}});
    }
  };
  const auto open = OpenAnalyses();
  for (const auto& [uri, analysis] : open) add_index(uri, analysis->source, analysis->lines);
  for (const auto& [uri, analysis] : open) {
    for (const ImportInput& input : analysis->inputs) {
      if (documents_.Find(input.uri) || seen.count(input.uri)) continue;
      std::unique_ptr<IndexedFile>& file = imported_indexes_[input.uri];
      const std::optional<std::string> path = FileUriToPath(input.uri);
      if (path) {
        try {
          auto read = std::make_unique<IndexedFile>();
          read->text = ReadFileBytes(*path);
          read->lines = LineTable(read->text);
          read->index = SourceIndex(read->text);
          file = std::move(read);
        } catch (const FileError&) { continue; }
      }
      if (file) add_index(input.uri, file->index, file->lines);
    }
  }
  for (const auto& [uri, analysis] : open) {
    if (!analysis->api || !seen.insert("api:" + analysis->api->dir).second) continue;
    for (const JassDeclaration& d : analysis->api->index.declarations) {
      if (d.kind == JassSymbolKind::kLocal || d.kind == JassSymbolKind::kParameter) continue;
      if (found.size() >= kMaxSymbols || !Holds(d.name, query)) continue;
      const Location at = ApiLocation(*analysis->api, d);
      found.push_back({d.name, FileName(FileUriToPath(at.uri).value_or(at.uri)), KindOf(d), at});
    }
  }
  return found;
}

}  // namespace zarn::lsp
