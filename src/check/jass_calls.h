// Calls against their callable: the name declared above, the number of
// arguments and each argument's type (an integer does for a real); and
// "function NAME", which needs a function that takes nothing.
#pragma once

#include <cstddef>

#include "check/jass_semantics.h"

namespace zarn::jass {

// Checks the call of `name` with `count` arguments at `args`; the type the
// call gives, kUnknown when the callable is not known.
TypeId CheckCall(Semantics& sem, const Token& name, const Typed* args, std::size_t count);
// Checks "function NAME" at the name; gives code.
TypeId CheckFunctionReference(Semantics& sem, const Token& name);

}  // namespace zarn::jass
