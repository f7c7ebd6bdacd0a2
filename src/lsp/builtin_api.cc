#include "lsp/builtin_api.h"

#include <optional>
#include <vector>

#include "check/jass_builtin_api.h"
#include "core/api_choice.h"
#include "core/result_check.h"
#include "platform/errors.h"
#include "platform/file_uri.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/real_paths.h"

namespace zarn::lsp {

namespace {

// How far up from a document a map folder is looked for.
constexpr int kMostFolderLevels = 32;

// Writes `text` to `file` unless it holds it already, and leaves it
// read-only: the editor opens it to show declarations, not to change them. A
// failure leaves the definitions pointing at a file that is not there, and
// nothing else.
void WriteOnce(const std::string& file, const std::string& text) {
  try {
    if (IsRegularFile(file)) {
      if (ReadFileBytes(file) == text) return;
      SetReadOnly(file, false);
    }
    CreateFolders(FolderHolding(file));
    WriteFileBytes(file, text);
    SetReadOnly(file, true);
  } catch (const Error&) {}
}

}  // namespace

std::string PatchOfDocument(const std::string& path, const std::string& root) {
  if (!path.empty()) {
    std::string folder = ParentFolder(path);
    for (int level = 0; level < kMostFolderLevels && !folder.empty(); ++level) {
      if (IsMapFolder(folder)) return PatchOfMapFolder(folder);
      const std::string up = ParentFolder(folder);
      if (up == folder) break;
      folder = up;
    }
  }
  if (!root.empty()) {
    std::vector<std::string> maps;
    for (const std::string& name : SubfolderNames(root))
      if (IsMapFolder(PathJoin(root, name))) maps.push_back(PathJoin(root, name));
    if (maps.size() == 1) return PatchOfMapFolder(maps.front());
  }
  return BuiltinPatches().back();
}

std::shared_ptr<const ApiFiles> BuiltinApis::Of(const std::string& patch) {
  std::shared_ptr<const ApiFiles>& files = loaded_[patch];
  if (files) return files;
  const std::string& folder = Folder();
  const JassApi api = JassApi::Builtin(patch);
  const JassSource& source = api.sources().front();
  auto loaded = std::make_shared<ApiFiles>(ApiFiles{api, {}, folder, {}});
  if (!folder.empty()) {
    loaded->file = PathJoin(folder, source.name);
    WriteOnce(loaded->file, std::string(source.text));
  }
  loaded->lines.emplace_back(source.text);
  CheckJassProgram(api.sources(), nullptr, nullptr, JassCheckExtras{&loaded->index, nullptr});
  files = std::move(loaded);
  return files;
}

const std::string& BuiltinApis::Folder() {
  if (folder_.empty()) {
    const std::string working = ApiLookupDir();
    folder_ = working.empty() ? std::string() : PathJoin(working, "api");
  }
  return folder_;
}

std::shared_ptr<const ApiFiles> BuiltinApis::For(const std::string& patch, const std::string& path,
                                                 const std::string& root, std::string& note) {
  // A declarations file opened from a definition is the API itself: its
  // names are not declared twice.
  if (!path.empty() && !Folder().empty()) {
    const std::optional<std::string> here = RealPath(ParentFolder(path)), declarations = RealPath(Folder());
    if (here && here == declarations) return nullptr;
  }
  if (!patch.empty()) {
    const std::string table = PatchOfRequest(patch);
    if (!table.empty()) return Of(table);
    note = "ZARN: no built-in API for patch " + patch + "; the tables are " + BuiltinPatches().front() + " to " +
           BuiltinPatches().back();
  }
  return Of(PatchOfDocument(path, root));
}

std::string ConstantValueSuffix(const ApiFiles& api, const JassDeclaration& declaration) {
  if (!declaration.constant || declaration.kind != JassSymbolKind::kGlobal) return "";
  if (!api.api.patch().empty()) {
    const std::string value = BuiltinConstantValue(api.api.patch(), declaration.name);
    return value.empty() ? value : " = " + value;
  }
  // The user's own files: the literal after "=" on the declaration's line.
  const std::string_view text = api.api.sources()[declaration.source].text;
  const std::size_t start =
      api.lines[declaration.source].LineStart(declaration.line - 1) + declaration.column - 1 + declaration.name.size();
  const std::string_view value = DeclaredValue(text.substr(std::min(start, text.size())));
  return IsJassLiteral(value) ? " = " + std::string(value) : "";
}

}  // namespace zarn::lsp
