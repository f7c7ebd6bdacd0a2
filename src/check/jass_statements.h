// The rules of statements inside a function: what "set" may assign, what
// "return" gives back, the boolean of a condition, and that a function which
// returns a value returns on every path (jass_flow.h).
#pragma once

#include <string_view>

#include "check/jass_semantics.h"

namespace zarn::jass {

class StatementRules {
 public:
  explicit StatementRules(Semantics& semantics) : sem_(semantics) {}

  // At "endfunction" (the token): the missing return.
  void EndFunction(const Token& at);

  // "set NAME [INDEX] = VALUE"; `index` is null without brackets.
  void Set(const Token& name, const Typed* index, const Typed& value);
  // "return [VALUE]" at the token `at`.
  void Return(const Token& at, const Typed* value);
  // The value after "if", "elseif" or "exitwhen".
  void Condition(const Typed& value, std::string_view keyword);

 private:
  Semantics& sem_;
};

}  // namespace zarn::jass
