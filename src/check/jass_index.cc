#include "check/jass_index.h"

#include <algorithm>
#include <utility>

namespace zarn {

namespace {

std::uint32_t NameHash32(std::string_view name) {
  return static_cast<std::uint32_t>(std::hash<std::string_view>{}(name));
}

bool IsTopLevel(JassSymbolKind kind) { return kind != JassSymbolKind::kLocal && kind != JassSymbolKind::kParameter; }

}  // namespace

std::size_t JassIndex::SlotOf(std::string_view name, std::uint32_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const Slot& at = slots_[slot];
    if (!at.first || (at.hash == hash && declarations[at.first - 1].name == name)) return slot;
  }
}

void JassIndex::Grow() {
  const std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(std::max<std::size_t>(64, slots_.size() * 2)));
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& moved : old) {
    if (!moved.first) continue;
    std::size_t slot = moved.hash & mask;
    while (slots_[slot].first) slot = (slot + 1) & mask;
    slots_[slot] = moved;
  }
}

void JassIndex::Add(JassDeclaration declaration) {
  const auto id = static_cast<std::uint32_t>(declarations.size());
  declarations.push_back(std::move(declaration));
  next_.push_back(0);
  last_.push_back(id);
  // At most half full, so that a search meets a free slot soon.
  if ((id + 1) * 2 > slots_.size()) Grow();
  const std::uint32_t hash = NameHash32(declarations[id].name);
  Slot& slot = slots_[SlotOf(declarations[id].name, hash)];
  if (!slot.first) {
    slot = {id + 1, hash};
    return;
  }
  const std::uint32_t first = slot.first - 1;
  next_[last_[first]] = id + 1;
  last_[first] = id;
}

const JassDeclaration* JassIndex::Find(std::string_view function, std::string_view name) const {
  if (slots_.empty()) return nullptr;
  const JassDeclaration* top = nullptr;
  for (std::uint32_t i = slots_[SlotOf(name, NameHash32(name))].first; i; i = next_[i - 1]) {
    const JassDeclaration& declaration = declarations[i - 1];
    if (!IsTopLevel(declaration.kind)) {
      if (!function.empty() && declaration.function == function) return &declaration;
    } else if (!top && declaration.kind != JassSymbolKind::kType) {
      top = &declaration;
    }
  }
  return top ? top : FindTopLevel(name, true);
}

const JassDeclaration* JassIndex::FindTopLevel(std::string_view name, bool type) const {
  if (slots_.empty()) return nullptr;
  for (std::uint32_t i = slots_[SlotOf(name, NameHash32(name))].first; i; i = next_[i - 1]) {
    const JassDeclaration& declaration = declarations[i - 1];
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
