#include "check/jass_index.h"

namespace zarn {

namespace {

bool IsTopLevel(JassSymbolKind kind) { return kind != JassSymbolKind::kLocal && kind != JassSymbolKind::kParameter; }

}  // namespace

void JassIndex::Add(JassDeclaration declaration) {
  auto found = by_name_.find(declaration.name);
  if (found == by_name_.end()) found = by_name_.emplace(declaration.name, std::vector<std::size_t>()).first;
  found->second.push_back(declarations.size());
  declarations.push_back(std::move(declaration));
}

const JassDeclaration* JassIndex::Find(std::string_view function, std::string_view name) const {
  const auto found = by_name_.find(name);
  if (found == by_name_.end()) return nullptr;
  const JassDeclaration* top = nullptr;
  for (std::size_t i : found->second) {
    const JassDeclaration& declaration = declarations[i];
    if (!IsTopLevel(declaration.kind)) {
      if (!function.empty() && declaration.function == function) return &declaration;
    } else if (!top && declaration.kind != JassSymbolKind::kType) {
      top = &declaration;
    }
  }
  return top ? top : FindTopLevel(name, true);
}

const JassDeclaration* JassIndex::FindTopLevel(std::string_view name, bool type) const {
  const auto found = by_name_.find(name);
  if (found == by_name_.end()) return nullptr;
  for (std::size_t i : found->second) {
    const JassDeclaration& declaration = declarations[i];
    const bool is_type = declaration.kind == JassSymbolKind::kType;
    const bool callable = declaration.kind == JassSymbolKind::kNative || declaration.kind == JassSymbolKind::kFunction;
    if (type ? is_type : callable) return &declaration;
  }
  return nullptr;
}

std::string JassSignature(const JassDeclaration& d) {
  switch (d.kind) {
    case JassSymbolKind::kType: return "type " + d.name + " extends " + d.type;
    case JassSymbolKind::kNative:
    case JassSymbolKind::kFunction: {
      std::string text = d.constant ? "constant " : "";
      text += d.kind == JassSymbolKind::kNative ? "native " : "function ";
      text += d.name + " takes ";
      if (d.params.empty()) text += "nothing";
      for (std::size_t i = 0; i < d.params.size(); ++i)
        text += (i ? ", " : "") + d.params[i].type + " " + d.params[i].name;
      return text + " returns " + d.type;
    }
    case JassSymbolKind::kGlobal:
    case JassSymbolKind::kLocal:
    case JassSymbolKind::kParameter: {
      std::string text = d.kind == JassSymbolKind::kLocal ? "local " : "";
      if (d.constant) text += "constant ";
      return text + d.type + (d.array ? " array " : " ") + d.name;
    }
  }
  return d.name;
}

}  // namespace zarn
