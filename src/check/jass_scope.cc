#include "check/jass_scope.h"

namespace zarn::jass {

void FunctionScope::Clear() {
  entries_.clear();
  index_.clear();
}

bool FunctionScope::Declare(std::string_view name, const Variable& variable) {
  if (Find(name)) return false;
  entries_.push_back({name, variable});
  if (entries_.size() == kRowMax + 1) {
    for (std::size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].name, i);
  } else if (entries_.size() > kRowMax) {
    index_.emplace(name, entries_.size() - 1);
  }
  return true;
}

const Variable* FunctionScope::Find(std::string_view name) const {
  if (entries_.size() > kRowMax) {
    auto it = index_.find(name);
    return it == index_.end() ? nullptr : &entries_[it->second].variable;
  }
  for (const Entry& entry : entries_)
    if (entry.name == name) return &entry.variable;
  return nullptr;
}

}  // namespace zarn::jass
