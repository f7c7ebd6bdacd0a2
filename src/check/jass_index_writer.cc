#include "check/jass_index_writer.h"

namespace zarn::jass {

void IndexWriter::BeginFunction(std::string_view name) {
  function_ = std::string(name);
  locals_.clear();
}

void IndexWriter::Declare(JassDeclaration declaration) {
  declaration.source = source_;
  const bool local = declaration.kind == JassSymbolKind::kLocal || declaration.kind == JassSymbolKind::kParameter;
  if (local) declaration.function = function_;
  // The names visible here are kept only to look uses up.
  if (uses_) {
    const std::size_t id = index_.declarations.size();
    auto& names = declaration.kind == JassSymbolKind::kType ? types_ : local ? locals_ : top_level_;
    names.emplace(declaration.name, id);
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
