// Calls against their callable: the name declared above, the number of
// arguments and each argument's type (an integer does for a real); and
// "function NAME", which needs a function that takes nothing.
#pragma once

#include <cstddef>

#include "check/jass_semantics.h"

namespace zarn::jass {

// The callable a call names, looked up before its arguments are read so
// that an undefined name is the line's first problem; null after reporting.
const Callable* CalledFunction(Semantics& sem, const Token& name);
// Checks the call of `callable` (null: unknown) with `count` arguments at
// `args`; the type the call gives, kUnknown when the callable is not known.
TypeId CheckCall(Semantics& sem, const Token& name, const Callable* callable, const Typed* args, std::size_t count);
// Checks "function NAME" at the name; gives code.
TypeId CheckFunctionReference(Semantics& sem, const Token& name);

}  // namespace zarn::jass
