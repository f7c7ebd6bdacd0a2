// "free" releases a handle with the call that suits its type; "flush" sets a
// variable to null.
#pragma once

#include <string>

#include "tables.h"

namespace zarn {

// Rewrites every free statement of one function or method body into its
// release call, or marks it when no release call is known.
std::string ExpandFreeStatements(std::string body, const ReturnTypeTable& return_types);

// Rewrites every flush statement of the script into an assignment of null.
void ExpandFlushStatements(std::string& text);

}  // namespace zarn
