// The rules of statements inside a function: what "set" may assign, what
// "return" gives back, the boolean of a condition, and that a function which
// returns a value ends in a return.
#pragma once

#include <string_view>

#include "check/jass_flow.h"
#include "check/jass_semantics.h"

namespace zarn::jass {

class StatementRules {
 public:
  explicit StatementRules(Semantics& semantics) : sem_(semantics) {}

  void BeginFunction() { flow_.Begin(); }
  // At "endfunction" (the token): the missing return.
  void EndFunction(const Token& at);

  // "set NAME [INDEX] = VALUE"; `index` is null without brackets.
  void Set(const Token& name, const Typed* index, const Typed& value);
  // "return [VALUE]" at the token `at`.
  void Return(const Token& at, const Typed* value);
  // The value after "if", "elseif" or "exitwhen".
  void Condition(const Typed& value, std::string_view keyword);
  void Statement() { flow_.Statement(false); }
  ReturnFlow& flow() { return flow_; }

 private:
  Semantics& sem_;
  ReturnFlow flow_;
};

}  // namespace zarn::jass
