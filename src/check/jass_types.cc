#include "check/jass_types.h"

namespace zarn::jass {

TypeTable::TypeTable() {
  types_ = {{"?", kUnknown},       {"nothing", kNothing}, {"null", kNullType}, {"integer", kInteger}, {"real", kReal},
            {"boolean", kBoolean}, {"string", kString},   {"code", kCode},     {"handle", kHandle}};
  for (TypeId id = kInteger; id < types_.size(); ++id) ids_.Insert(types_[id].name, id);
}

TypeId TypeTable::Find(std::string_view name) const {
  const TypeId* id = ids_.Find(name);
  return id ? *id : kUnknown;
}

bool TypeTable::Declare(std::string_view name, TypeId parent) {
  if (!ids_.Insert(name, static_cast<TypeId>(types_.size()))) return false;
  types_.push_back({name, parent});
  return true;
}

bool TypeTable::IsHandle(TypeId type) const { return type >= kHandle; }

bool TypeTable::Fits(TypeId from, TypeId to, bool widen) const {
  if (from == to || from == kUnknown || to == kUnknown) return true;
  // The game takes null for an integer or real too (as 0) and for code, but
  // returns none of them as null.
  if (from == kNullType)
    return to == kString || IsHandle(to) || (widen && (to == kCode || to == kInteger || to == kReal));
  if (from == kInteger) return widen && to == kReal;
  if (!IsHandle(from) || !IsHandle(to)) return false;
  // Up the tree; a type's parent always has a smaller id, so this ends.
  for (TypeId t = from; t > kHandle;) {
    t = types_[t].parent;
    if (t == to) return true;
  }
  return false;
}

bool TypeTable::Comparable(TypeId a, TypeId b) const {
  if (IsNumeric(a) && IsNumeric(b)) return true;
  if (a == kNullType || b == kNullType) return true;  // any value may be compared with null
  return Fits(a, b, false) || Fits(b, a, false) || (IsHandle(a) && IsHandle(b));
}

}  // namespace zarn::jass
