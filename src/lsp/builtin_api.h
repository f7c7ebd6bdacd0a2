// The game's built-in API in the editor: which patch a document is checked
// against when no common.j and Blizzard.j are found, and the declarations
// file of each patch, written once into the working folder's api/ folder
// (never where the files are looked for), that definitions open.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "lsp/analysis.h"

namespace zarn::lsp {

class BuiltinApis {
 public:
  // `folder`: where the declarations files go (empty: the working folder's
  // api/ folder, found when first needed).
  explicit BuiltinApis(std::string folder = "") : folder_(std::move(folder)) {}

  // The API for a document at `path` (empty for one that is no file) in the
  // workspace `root`: the table `patch` names when given (an option's
  // version, "1.32.8"), else that of the version recorded by the folder map
  // that holds the document, else by the root's only folder map, else the
  // newest; none for a declarations file itself. A `patch` that names no
  // table is noted in `note` and ignored.
  std::shared_ptr<const ApiFiles> For(const std::string& patch, const std::string& path, const std::string& root,
                                      std::string& note);
  // The API of one table, loaded once.
  std::shared_ptr<const ApiFiles> Of(const std::string& patch);

 private:
  const std::string& Folder();
  std::string folder_;
  std::map<std::string, std::shared_ptr<const ApiFiles>> loaded_;
};

// The table for a document by the map that holds it, or the root's only map
// folder; the newest when there is none.
std::string PatchOfDocument(const std::string& path, const std::string& root);

// " = VALUE" for a constant of `api` whose value is a literal; empty
// otherwise.
std::string ConstantValueSuffix(const ApiFiles& api, const JassDeclaration& declaration);

}  // namespace zarn::lsp
