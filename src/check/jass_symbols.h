// The names a program declares outside functions: types, natives and
// functions, globals. Built once for the API, copied for each check.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "check/jass_name_map.h"
#include "check/jass_types.h"

namespace zarn::jass {

struct Callable {
  TypeId returns = kNothing;
  std::uint32_t first_param = 0;  // into SymbolTable::params
  std::uint32_t param_count = 0;
  bool native = false;
  bool constant = false;
  std::uint32_t order = 0;  // in SymbolTable::callable_order
};

struct Variable {
  TypeId type = kUnknown;
  bool array = false;
  bool constant = false;
  bool unset = false;       // a global declared without a value
  std::uint32_t order = 0;  // of a global, in SymbolTable::global_order
};

// Names are views into the declaring text, which must outlive the table.
struct SymbolTable {
  TypeTable types;
  NameMap<Callable> callables;
  NameMap<Variable> globals;
  std::vector<TypeId> params;  // the parameter types of every callable, in turn
  // The names of callables and globals in declaration order, for suggestions.
  std::vector<std::string_view> callable_order, global_order;

  const Callable* FindCallable(std::string_view name) const { return callables.Find(name); }
  const Variable* FindGlobal(std::string_view name) const { return globals.Find(name); }
  TypeId Param(const Callable& callable, std::uint32_t i) const { return params[callable.first_param + i]; }
};

}  // namespace zarn::jass
