// "var" declarations: a local whose type comes from its initial value or from
// the body's later assignments to it.
#pragma once

#include <string>
#include <string_view>

#include "passes/keyword_rule.h"
#include "passes/tables.h"

namespace zarn {

// Rewrites every var line of one function or method body into a local
// declaration, or marks it when no type can be inferred.
std::string InferVarDeclarations(std::string body, const ReturnTypeTable& return_types, const KeywordRule& rule = {});

// Type of the value assigned by one trimmed statement: a called function's
// return type, else the first value test that holds; "undefined" otherwise.
std::string InferAssignedType(std::string_view statement, const ReturnTypeTable& return_types,
                              const KeywordRule& rule = {});

}  // namespace zarn
