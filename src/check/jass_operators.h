// The types the operators take and give: arithmetic on integers and reals,
// "+" on strings too, "%" on integers only, ordering of numbers, == and !=
// on values of related types, and, or and not on booleans.
#pragma once

#include "check/jass_semantics.h"

namespace zarn::jass {

// The type of `left OP right`, reporting a misfit at the operator.
TypeId BinaryType(Semantics& sem, const Token& op, const Typed& left, const Typed& right);
// The type of `OP operand` for "not", "-" and "+".
TypeId UnaryType(Semantics& sem, const Token& op, const Typed& operand);

}  // namespace zarn::jass
