#include "check/jass_scope.h"

#include <cstring>

namespace zarn::jass {

void FunctionScope::Clear() {
  first_bytes_ = 0;
  entries_.clear();
  index_.Clear();
}

bool FunctionScope::Declare(std::string_view name, const Variable& variable) {
  if (Find(name)) return false;
  first_bytes_ |= Bit(name);
  entries_.push_back({name, variable});
  if (entries_.size() == kRowMax + 1) {
    for (std::size_t i = 0; i < entries_.size(); ++i) index_.Insert(entries_[i].name, i);
  } else if (entries_.size() > kRowMax) {
    index_.Insert(name, entries_.size() - 1);
  }
  return true;
}

const Variable* FunctionScope::Find(std::string_view name, std::size_t* index) const {
  if (!(first_bytes_ & Bit(name))) return nullptr;
  if (entries_.size() > kRowMax) {
    const std::size_t* at = index_.Find(name);
    if (!at) return nullptr;
    if (index) *index = *at;
    return &entries_[*at].variable;
  }
  // Most names differ from a local in their length or first byte.
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& entry = entries_[i];
    if (entry.name.size() == name.size() && !name.empty() && entry.name[0] == name[0] &&
        std::memcmp(entry.name.data(), name.data(), name.size()) == 0) {
      if (index) *index = i;
      return &entry.variable;
    }
  }
  return nullptr;
}

}  // namespace zarn::jass
