// The type tree of a program: the built-in types, and each `type X extends Y`
// under its parent, `handle` at the root of the handle types.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "check/jass_name_map.h"

namespace zarn::jass {

using TypeId = std::uint32_t;

// Fixed ids; declared types follow.
inline constexpr TypeId kUnknown = 0;  // after a fault: fits everything, so one fault gives one message
inline constexpr TypeId kNothing = 1;
inline constexpr TypeId kNullType = 2;
inline constexpr TypeId kInteger = 3;
inline constexpr TypeId kReal = 4;
inline constexpr TypeId kBoolean = 5;
inline constexpr TypeId kString = 6;
inline constexpr TypeId kCode = 7;
inline constexpr TypeId kHandle = 8;

class TypeTable {
 public:
  TypeTable();

  // The id of a type name, or kUnknown.
  TypeId Find(std::string_view name) const;
  // Adds `name` under `parent`; false when the name is taken.
  bool Declare(std::string_view name, TypeId parent);
  std::string_view Name(TypeId type) const { return types_[type].name; }
  TypeId size() const { return static_cast<TypeId>(types_.size()); }

  bool IsHandle(TypeId type) const;
  bool IsNumeric(TypeId type) const { return type == kInteger || type == kReal; }
  // True when a value of `from` may stand where `to` is expected: the same
  // type, a handle type below `to`, null for a handle or string, and, with
  // `widen` (assignments and arguments, not returns), null for an integer,
  // real or code and an integer for a real.
  bool Fits(TypeId from, TypeId to, bool widen) const;
  // True when == and != may compare the two.
  bool Comparable(TypeId a, TypeId b) const;

 private:
  struct Type {
    std::string_view name;
    TypeId parent;
  };
  std::vector<Type> types_;
  NameMap<TypeId> ids_;
};

}  // namespace zarn::jass
