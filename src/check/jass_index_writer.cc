#include "check/jass_index_writer.h"

namespace zarn::jass {

void IndexWriter::BeginFunction(std::string_view name) {
  function_ = std::string(name);
  locals_.clear();
}

void IndexWriter::Declare(JassDeclaration declaration) {
  declaration.source = source_;
  const std::size_t id = index_.declarations.size();
  switch (declaration.kind) {
    case JassSymbolKind::kType: types_.emplace(declaration.name, id); break;
    case JassSymbolKind::kLocal:
    case JassSymbolKind::kParameter:
      declaration.function = function_;
      locals_.emplace(declaration.name, id);
      break;
    default: top_level_.emplace(declaration.name, id); break;
  }
  index_.Add(std::move(declaration));
}

void IndexWriter::Use(std::string_view name, std::size_t line, std::size_t column, bool type) {
  if (!uses_) return;
  const auto* map = type ? &types_ : &locals_;
  auto found = map->find(name);
  if (!type && found == map->end()) {
    map = &top_level_;
    found = map->find(name);
  }
  if (found == map->end()) return;
  index_.uses.push_back({source_, line, column, name.size(), found->second});
}

}  // namespace zarn::jass
