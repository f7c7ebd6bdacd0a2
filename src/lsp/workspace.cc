#include "lsp/workspace.h"

#include <utility>

#include "core/api_choice.h"
#include "core/result_check.h"
#include "platform/errors.h"
#include "platform/file_uri.h"
#include "platform/real_paths.h"

namespace zarn::lsp {

namespace {

std::string MissingApiNote(const std::string& folder) {
  return "ZARN: names and types are not checked: common.j and Blizzard.j were not found in " + folder + ".";
}

}  // namespace

std::shared_ptr<const ApiFiles> Workspace::ApiFor(const std::string& uri) {
  if (options_.no_api) {
    if (noted_.insert(kNoApiNote).second) notes_.push_back(std::string("ZARN: ") + kNoApiNote);
    return nullptr;
  }
  std::vector<std::string> folders;
  if (!options_.api_dir.empty()) {
    folders.push_back(options_.api_dir);
  } else if (options_.patch.empty()) {
    if (const std::optional<std::string> path = FileUriToPath(uri)) folders.push_back(ParentFolder(*path));
    if (!options_.root.empty()) folders.push_back(options_.root);
    folders.push_back(ApiLookupDir());
  }
  for (const std::string& folder : folders) {
    if (folder.empty()) continue;
    if (const auto known = apis_.find(folder); known != apis_.end()) {
      if (known->second) return known->second;
      continue;
    }
    std::shared_ptr<const ApiFiles> api;
    try {
      if (JassApi::FoundIn(folder)) api = ApiFiles::Load(folder);
    } catch (const Error& e) {
      if (noted_.insert(folder).second) notes_.push_back(std::string("ZARN: ") + e.what());
    }
    apis_[folder] = api;
    if (api) return api;
  }
  if (options_.api_dir.empty()) {
    std::string note;
    auto api = builtin_.For(options_.patch, FileUriToPath(uri).value_or(""), options_.root, note);
    if (!note.empty() && noted_.insert(note).second) notes_.push_back(note);
    return api;
  }
  const std::string first = folders.front();
  if (noted_.insert(first).second) notes_.push_back(MissingApiNote(first));
  return nullptr;
}

OpenFiles Workspace::OpenTexts() const {
  OpenFiles open;
  for (const auto& [uri, document] : documents_.all()) {
    const std::optional<std::string> path = FileUriToPath(uri);
    if (!path) continue;
    const std::optional<std::string> real = RealPath(*path);
    open[real ? *real : *path] = OpenFile{uri, document.text(), document.revision};
  }
  return open;
}

bool Workspace::IsFresh(const Analysis& analysis, const Document& document) const {
  if (analysis.revision != document.revision) return false;
  for (const ImportInput& input : analysis.inputs) {
    const Document* open = documents_.Find(input.uri);
    if ((open ? open->revision : 0) != input.revision) return false;
  }
  return true;
}

std::shared_ptr<const Analysis> Workspace::AnalysisOf(const std::string& uri) {
  const Document* document = documents_.Find(uri);
  if (!document) {
    analyses_.erase(uri);
    return nullptr;
  }
  std::shared_ptr<const Analysis>& cached = analyses_[uri];
  if (!cached || !IsFresh(*cached, *document)) {
    // Imports are followed from the document's own folder, as runs do; a
    // document that is no file follows none.
    std::optional<ImportOptions> imports;
    if (const std::optional<std::string> path = FileUriToPath(uri); path && options_.follow_imports)
      imports = ImportOptions{"", *path, ParentFolder(*path), options_.import_paths};
    const OpenFiles open = imports ? OpenTexts() : OpenFiles{};
    cached = Analyse(document->content, document->revision, ApiFor(uri), options_.words, imports ? &*imports : nullptr,
                     std::move(cached), &open);
  }
  return cached;
}

bool Workspace::IsImportedByOpen(const std::string& uri) const {
  for (const auto& [importer, analysis] : analyses_)
    if (importer != uri && analysis && documents_.Find(importer) && analysis->Imports(uri)) return true;
  return false;
}

std::vector<std::shared_ptr<const Analysis>> Workspace::AnalysedImporters(const std::string& uri) const {
  std::vector<std::shared_ptr<const Analysis>> importers;
  for (const auto& [importer, analysis] : analyses_)
    if (analysis && documents_.Find(importer) && analysis->imported.count(uri) && !IsImportedByOpen(importer))
      importers.push_back(analysis);
  return importers;
}

std::vector<std::string> Workspace::ImportersOf(const std::string& uri) const {
  std::vector<std::string> importers;
  for (const auto& [importer, analysis] : analyses_)
    if (importer != uri && analysis && documents_.Find(importer) && analysis->Imports(uri))
      importers.push_back(importer);
  return importers;
}

std::vector<std::string> Workspace::PastedBy(const std::string& uri) const {
  std::vector<std::string> pasted;
  if (const auto found = analyses_.find(uri); found != analyses_.end() && found->second)
    for (const ImportInput& input : found->second->inputs) pasted.push_back(input.uri);
  return pasted;
}

std::string Workspace::ContextOf(const std::string& uri) {
  if (!documents_.Find(uri)) return {};
  std::vector<std::string> importers;
  std::vector<std::string> others;
  for (const auto& [other, document] : documents_.all())
    if (other != uri) others.push_back(other);
  for (const std::string& other : others)
    if (const std::shared_ptr<const Analysis> analysis = AnalysisOf(other); analysis && analysis->Imports(uri))
      importers.push_back(other);
  for (const std::string& importer : importers)
    if (!IsImportedByOpen(importer)) return importer;
  return importers.empty() ? std::string() : importers.front();
}

bool Workspace::IsAnalysed(const std::string& uri) const {
  const Document* document = documents_.Find(uri);
  if (!document) return false;
  for (const auto& [other, analysis] : analyses_) {
    const Document* open = documents_.Find(other);
    if (!open || !analysis) continue;
    if ((other == uri || analysis->Imports(uri)) && !IsFresh(*analysis, *open)) return false;
  }
  const auto cached = analyses_.find(uri);
  return cached != analyses_.end() && cached->second;
}

std::vector<std::string> Workspace::TakeNotes() { return std::exchange(notes_, {}); }

std::vector<Diagnostic> Workspace::Diagnostics(const std::string& uri) {
  const std::shared_ptr<const Analysis> analysis = AnalysisOf(uri);
  if (!analysis) return {};
  const std::string context = ContextOf(uri);
  if (context.empty()) return analysis->diagnostics;
  const std::shared_ptr<const Analysis> importer = AnalysisOf(context);
  const auto found = importer->imported.find(uri);
  return found == importer->imported.end() ? std::vector<Diagnostic>{} : found->second->diagnostics;
}

std::vector<std::pair<std::string, std::shared_ptr<const Analysis>>> Workspace::OpenAnalyses() {
  std::vector<std::pair<std::string, std::shared_ptr<const Analysis>>> all;
  std::vector<std::string> uris;
  for (const auto& [uri, document] : documents_.all()) uris.push_back(uri);
  for (const std::string& uri : uris) all.emplace_back(uri, AnalysisOf(uri));
  return all;
}

Location Workspace::ApiLocation(const ApiFiles& api, const JassDeclaration& declaration) const {
  const JassSource& source = api.api.sources()[declaration.source];
  const LineTable& lines = api.lines[declaration.source];
  const std::size_t begin = lines.LineStart(declaration.line - 1) + declaration.column - 1;
  return {PathToFileUri(api.file.empty() ? source.name : api.file), {begin, begin + declaration.name.size()}, &lines};
}

}  // namespace zarn::lsp
